// The few JSON answers of the web pages' scripts, written by hand: flat objects and arrays
// of texts and numbers need no library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zol::web {

// `text` as a JSON string, quotes included; < > & escaped too, so that it is safe inside a
// page's script as well.
std::string json_string(std::string_view text);

std::string json_array(const std::vector<std::string>& texts);

// One object, field by field.
class JsonObject {
  public:
    JsonObject& text(std::string_view name, std::string_view value);
    JsonObject& number(std::string_view name, std::int64_t value);
    JsonObject& boolean(std::string_view name, bool value);
    // `json` as it stands: an array or object made by the functions above.
    JsonObject& raw(std::string_view name, std::string_view json);
    std::string str() const { return body_ + "}"; }

  private:
    void key(std::string_view name);
    std::string body_ = "{";
};

}  // namespace zol::web
