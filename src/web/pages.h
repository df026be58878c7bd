// The pages of the web front end that belong to it alone: logging in and the message that
// answers a request it cannot serve; the frame of every page.
#pragma once

#include <string>
#include <string_view>

namespace zol::web {

// `text` with &, <, >, " and ' written as entities, safe in an element and an attribute.
std::string html_escape(std::string_view text);

// `message` (may be empty) above the form; `name` fills the account field again.
std::string login_page(std::string_view message, std::string_view name);

// A whole page: `body_attributes` (" class=..." or empty) go into the body tag.
std::string html_page(std::string_view title, std::string_view body_attributes,
                      std::string_view body);

// A page with one message for a request that is refused, and a way back.
std::string message_page(int status, std::string_view message);

// The message of an HTTP status for a clerk, for a refusal that has no more specific one.
std::string_view status_message(int status);

}  // namespace zol::web
