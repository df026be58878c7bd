#include "app/zol5300/report_options.h"

#include <charconv>
#include <map>

#include "core/text.h"

namespace zol::app {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
std::size_t utf8_sequence(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;  // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k) {
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    }
    return n;
}

std::optional<DateTime> iso_day(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
    const auto d = parse_iso_date(text);
    if (!d || d->has_time() || !is_valid_date(d->year, d->month, d->day)) return std::nullopt;
    return d;
}

enum class Kind { Flag, Value };

}  // namespace

std::string valid_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t n = utf8_sequence(text, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::vector<std::string> split_list(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string piece = trim(text.substr(start, end - start));
        if (!piece.empty()) out.push_back(std::move(piece));
        start = end + 1;
    }
    return out;
}

ParsedOptions parse_report_options(const Args& args) {
    ParsedOptions parsed;
    if (args.empty() || args[0].rfind("--", 0) == 0) {
        parsed.error = "缺少套件目錄 BASE";
        return parsed;
    }
    ReportOptions o;
    o.base = args[0];

    using Setter = void (*)(ReportOptions&, std::string);
    const std::map<std::string, Setter, std::less<>> values = {
        {"--tranday", [](ReportOptions& r, std::string v) { r.tranday = v; }},
        {"--tranday2", [](ReportOptions& r, std::string v) { r.tranday2 = v; }},
        {"--payday1", [](ReportOptions& r, std::string v) { r.payday1 = v; }},
        {"--payday2", [](ReportOptions& r, std::string v) { r.payday2 = v; }},
        {"--grade", [](ReportOptions& r, std::string v) { r.grade = v; }},
        {"--class1", [](ReportOptions& r, std::string v) { r.class1 = v; }},
        {"--class2", [](ReportOptions& r, std::string v) { r.class2 = v; }},
        {"--seat1", [](ReportOptions& r, std::string v) { r.seat1 = v; }},
        {"--seat2", [](ReportOptions& r, std::string v) { r.seat2 = v; }},
        {"--stdno1", [](ReportOptions& r, std::string v) { r.stdno1 = v; }},
        {"--stdno2", [](ReportOptions& r, std::string v) { r.stdno2 = v; }},
        {"--preway", [](ReportOptions& r, std::string v) { r.preway = v; }},
        {"--paystas", [](ReportOptions& r, std::string v) { r.paystas = v; }},
        {"--methods", [](ReportOptions& r, std::string v) { r.methods = split_list(v); }},
        {"--groups", [](ReportOptions& r, std::string v) { r.groups = split_list(v); }},
        {"--items", [](ReportOptions& r, std::string v) { r.items = split_list(v); }},
        {"--statuses", [](ReportOptions& r, std::string v) { r.statuses = split_list(v); }},
        {"--pdf", [](ReportOptions& r, std::string v) { r.pdf = v; }},
        {"--xlsx", [](ReportOptions& r, std::string v) { r.xlsx = v; }},
        {"--find", [](ReportOptions& r, std::string v) { r.find = v; }},
    };
    const std::map<std::string, bool ReportOptions::*, std::less<>> flags = {
        {"--merged", &ReportOptions::merged}, {"--sql", &ReportOptions::sql},
        {"--print", &ReportOptions::print},   {"--yes", &ReportOptions::yes},
        {"--show", &ReportOptions::show},     {"--no-cache", &ReportOptions::no_cache},
    };

    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string arg = valid_utf8(args[i]);
        std::string name = arg;
        std::optional<std::string> inline_value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
        }
        if (const auto f = flags.find(name); f != flags.end() && !inline_value) {
            o.*(f->second) = true;
            continue;
        }
        const bool takes_value = values.count(name) || name == "--page" || name == "--print-date";
        if (!takes_value) {
            parsed.error = "不明的選項: " + arg;
            return parsed;
        }
        std::string value;
        if (inline_value) {
            value = *inline_value;
        } else if (i + 1 < args.size()) {
            value = valid_utf8(args[++i]);
        } else {
            parsed.error = "選項 " + name + " 缺少值";
            return parsed;
        }
        if (name == "--page") {
            int page = 0;
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), page);
            if (ec != std::errc() || end != value.data() + value.size() || page < 1) {
                parsed.error = "頁次必須是 1 到 2147483647 的整數: " + value;
                return parsed;
            }
            o.page = page;
            o.show = true;
        } else if (name == "--print-date") {
            o.print_date = iso_day(value);
            if (!o.print_date) {
                parsed.error = "列印日期必須寫成 YYYY-MM-DD: " + value;
                return parsed;
            }
        } else {
            values.find(name)->second(o, std::move(value));
        }
    }
    if (o.xlsx && (o.direct_print() || o.show || o.sql)) {
        parsed.error = "--xlsx 不能與 --print、--pdf、--show、--page、--sql 同用";
        return parsed;
    }
    parsed.options = std::move(o);
    return parsed;
}

}  // namespace zol::app
