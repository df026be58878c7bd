// What a browser sends, read strictly: a form body or a cookie that is not well formed is
// refused whole rather than half understood.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zol::web {

using Form = std::map<std::string, std::string, std::less<>>;

// An application/x-www-form-urlencoded body ("a=1&b=x+y%21"); nullopt when an escape is
// broken, a name comes twice, a text is not UTF-8 or there are more than 64 fields.
std::optional<Form> parse_form(std::string_view body);

// The value of the cookie `name` in the Cookie header `header`; empty when it is not there.
std::string cookie_value(std::string_view header, std::string_view name);

// Whether `text` is well-formed UTF-8 (no overlong forms, surrogates or control bytes but
// tab, CR and LF).
bool valid_utf8(std::string_view text);

// `text` for one line of the access log: bytes outside printable ASCII as \xHH, at most
// `limit` bytes of it, so nobody can forge a line or send codes to a terminal.
std::string log_safe(std::string_view text, std::size_t limit = 200);

}  // namespace zol::web
