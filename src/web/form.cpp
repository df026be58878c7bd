#include "web/form.h"

#include <cstdio>

namespace zol::web {

namespace {

constexpr std::size_t kMaxFields = 64;

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::string> decode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%') {
            if (i + 2 >= s.size()) return std::nullopt;
            const int hi = hex_digit(s[i + 1]), lo = hex_digit(s[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out += static_cast<char>(hi * 16 + lo);
            i += 2;
        } else {
            out += s[i];
        }
    }
    if (!valid_utf8(out)) return std::nullopt;
    return out;
}

}  // namespace

std::optional<Form> parse_form(std::string_view body) {
    Form form;
    while (!body.empty()) {
        const std::size_t amp = body.find('&');
        const std::string_view field = body.substr(0, amp);
        body = amp == std::string_view::npos ? std::string_view{} : body.substr(amp + 1);
        if (field.empty()) continue;
        const std::size_t eq = field.find('=');
        auto name = decode(field.substr(0, eq));
        auto value =
            decode(eq == std::string_view::npos ? std::string_view{} : field.substr(eq + 1));
        if (!name || !value || name->empty() || form.size() >= kMaxFields) return std::nullopt;
        if (!form.emplace(std::move(*name), std::move(*value)).second) return std::nullopt;
    }
    return form;
}

std::string cookie_value(std::string_view header, std::string_view name) {
    while (!header.empty()) {
        const std::size_t semi = header.find(';');
        std::string_view pair = header.substr(0, semi);
        header = semi == std::string_view::npos ? std::string_view{} : header.substr(semi + 1);
        while (!pair.empty() && pair.front() == ' ') pair.remove_prefix(1);
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=')
            return std::string(pair.substr(name.size() + 1));
    }
    return {};
}

bool valid_utf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7f) return false;
            ++i;
            continue;
        }
        const int extra = c >= 0xf0 ? 3 : c >= 0xe0 ? 2 : c >= 0xc2 ? 1 : -1;
        if (extra < 0 || c > 0xf4 || i + static_cast<std::size_t>(extra) >= text.size())
            return false;
        unsigned cp = c & (0x3f >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto cc = static_cast<unsigned char>(text[i + k]);
            if ((cc & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3f);
        }
        const unsigned least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

std::string log_safe(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char ch : text.substr(0, limit)) {
        const auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7f && c != '\\') {
            out += ch;
        } else {
            char esc[5];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        }
    }
    if (text.size() > limit) out += "...";
    return out;
}

}  // namespace zol::web
