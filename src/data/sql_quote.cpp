#include "data/sql_quote.h"

namespace zol {

namespace {

std::string quoted(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char ch : text) {
        out += ch;
        if (ch == quote) out += quote;
    }
    return out + quote;
}

}  // namespace

std::string sql_text(std::string_view text) {
    return quoted(text, '\'');
}

std::string sql_identifier(std::string_view name) {
    return quoted(name, '"');
}

}  // namespace zol
