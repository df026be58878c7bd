#include "data/jet_tokens.h"

#include <array>
#include <cstdio>
#include <optional>

#include "core/date.h"
#include "core/text.h"
#include "data/db_error.h"
#include "data/sql_quote.h"

namespace zol::jet_sql {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_word_start(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80;
}
bool is_word_char(char c) {
    return is_word_start(c) || is_digit(c);
}
bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Reads up to four digits as a number; nullopt when there are none or more than four.
std::optional<int> small_number(std::string_view s) {
    if (s.empty() || s.size() > 4) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (!is_digit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const auto at = s.find(sep, start);
        parts.push_back(s.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

struct TimeOfDay {
    int hour = 0, minute = 0, second = 0;
};

// "hh:mm", "hh:mm:ss", each optionally followed by AM or PM.
std::optional<TimeOfDay> parse_time(std::string_view s) {
    std::string t = to_lower_ascii(trim(s));
    int half = 0;  // 1 am, 2 pm
    for (const char* mark : {"am", "pm"}) {
        if (t.size() > 2 && t.ends_with(mark)) {
            half = mark[0] == 'a' ? 1 : 2;
            t = trim(t.substr(0, t.size() - 2));
        }
    }
    const auto parts = split(t, ':');
    if (parts.size() < 2 || parts.size() > 3) return std::nullopt;
    std::array<int, 3> v{0, 0, 0};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto n = small_number(parts[i]);
        if (!n || parts[i].size() > 2) return std::nullopt;
        v[i] = *n;
    }
    if (half != 0) {
        if (v[0] < 1 || v[0] > 12) return std::nullopt;
        v[0] = v[0] % 12 + (half == 2 ? 12 : 0);
    }
    if (v[0] > 23 || v[1] > 59 || v[2] > 59) return std::nullopt;
    return TimeOfDay{v[0], v[1], v[2]};
}

std::string skip_word(std::string_view sql, std::size_t& i) {
    const std::size_t start = i;
    while (i < sql.size() && is_word_char(sql[i])) ++i;
    return std::string(sql.substr(start, i - start));
}

[[noreturn]] void refuse(const std::string& message) {
    throw DbError({}, message);
}

}  // namespace

std::string jet_date_text(std::string_view inside) {
    const std::string text = trim(inside);
    const auto blank = text.find_first_of(" \t");
    const std::string_view date_part = std::string_view(text).substr(0, blank);
    TimeOfDay time;
    if (blank != std::string::npos) {
        const auto t = parse_time(std::string_view(text).substr(blank + 1));
        if (!t) return {};
        time = *t;
    }
    const char sep = date_part.find('/') != std::string_view::npos ? '/' : '-';
    const auto fields = split(date_part, sep);
    if (fields.size() != 3) return {};
    std::array<int, 3> n{};
    for (int i = 0; i < 3; ++i) {
        const auto v = small_number(fields[i]);
        if (!v) return {};
        n[i] = *v;
    }
    int year, month, day;
    if (fields[0].size() >= 3) {
        if (fields[0].size() != 4) return {};
        year = n[0], month = n[1], day = n[2];
    } else {
        month = n[0], day = n[1], year = n[2];
        if (fields[2].size() == 3) return {};
        if (fields[2].size() <= 2) year += year < 30 ? 2000 : 1900;
        // Jet reads a first number that cannot be a month as the day.
        if (month > 12 && day <= 12) std::swap(month, day);
    }
    if (year < 100 || !is_valid_date(year, month, day)) return {};
    char buf[64];
    if (time.hour == 0 && time.minute == 0 && time.second == 0) {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    } else {
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, time.hour,
                      time.minute, time.second);
    }
    return buf;
}

std::string bare_name(const std::string& word) {
    if (word.size() >= 2 && ((word.front() == '[' && word.back() == ']') ||
                             (word.front() == '`' && word.back() == '`'))) {
        return word.substr(1, word.size() - 2);
    }
    return word;
}

bool is_keyword(const std::string& lower) {
    static constexpr std::array<std::string_view, 42> words{
        "select", "distinct", "all",   "top",     "from",  "where", "and",   "or",   "not",
        "as",     "on",       "join",  "inner",   "left",  "right", "outer", "full", "cross",
        "group",  "order",    "by",    "having",  "union", "in",    "is",    "like", "between",
        "exists", "case",     "when",  "then",    "else",  "end",   "asc",   "desc", "into",
        "values", "set",      "limit", "natural", "using", "escape"};
    for (auto w : words) {
        if (lower == w) return true;
    }
    return false;
}

std::vector<Token> tokenize(std::string_view sql) {
    std::vector<Token> out;
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const std::size_t start = i;
        if (is_space(c)) {
            while (i < sql.size() && is_space(sql[i])) ++i;
            out.push_back({Kind::Space, std::string(sql.substr(start, i - start)), {}});
        } else if (is_word_start(c)) {
            std::string w = skip_word(sql, i);
            std::string lower = to_lower_ascii(w);
            out.push_back({Kind::Word, std::move(w), std::move(lower)});
        } else if (c == '[' || c == '`') {
            const char close = c == '[' ? ']' : '`';
            const auto end = sql.find(close, i + 1);
            if (end == std::string_view::npos)
                refuse("名稱的括號未結束: " + std::string(sql.substr(i)));
            i = end + 1;
            std::string w(sql.substr(start, i - start));
            std::string lower = to_lower_ascii(bare_name(w));
            out.push_back({Kind::Word, std::move(w), std::move(lower)});
        } else if (is_digit(c) || (c == '.' && i + 1 < sql.size() && is_digit(sql[i + 1]))) {
            while (i < sql.size() && is_digit(sql[i])) ++i;
            if (i < sql.size() && sql[i] == '.') {
                ++i;
                while (i < sql.size() && is_digit(sql[i])) ++i;
            }
            if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < sql.size() && is_digit(sql[j])) {
                    i = j;
                    while (i < sql.size() && is_digit(sql[i])) ++i;
                }
            }
            out.push_back({Kind::Number, std::string(sql.substr(start, i - start)), {}});
        } else if (c == '\'' || c == '"') {
            // Jet takes both quotes for text; SQLite only the single one.
            std::string body;
            ++i;
            for (;;) {
                if (i >= sql.size())
                    refuse("文字常數的引號未結束: " + std::string(sql.substr(start)));
                if (sql[i] == c) {
                    if (i + 1 < sql.size() && sql[i + 1] == c) {
                        body += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                body += sql[i++];
            }
            out.push_back({Kind::String, sql_text(body), {}});
        } else if (c == '#') {
            const auto end = sql.find('#', i + 1);
            const auto inside =
                end == std::string_view::npos ? sql.substr(i + 1) : sql.substr(i + 1, end - i - 1);
            const std::string date = end == std::string_view::npos ? "" : jet_date_text(inside);
            if (date.empty())
                refuse("日期常數不正確: #" + std::string(inside) +
                       (end == std::string_view::npos ? "" : "#"));
            i = end + 1;
            out.push_back({Kind::Date, "'" + date + "'", {}});
        } else if (static_cast<unsigned char>(c) < 0x20) {
            refuse("SQL 敘述中有無法辨識的控制字元");
        } else {
            static constexpr std::array<std::string_view, 6> pairs{"<=", ">=", "<>",
                                                                   "!=", "||", "=="};
            std::size_t len = 1;
            for (auto p : pairs) {
                if (sql.substr(i, 2) == p) len = 2;
            }
            i += len;
            out.push_back({Kind::Op, std::string(sql.substr(start, len)), {}});
        }
    }
    return out;
}

}  // namespace zol::jet_sql
