// A written report file read back for tests: its lines, columns and pages.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/big5.h"
#include "support/files.h"

namespace zol::test {

inline const std::string kFF = "\01421";

// A report's Big5 lines without their CR LF.
struct Report {
    std::string bytes;
    std::vector<std::string> lines;

    std::string text(std::size_t i) const { return from_big5(lines.at(i)); }
    std::size_t ff_count() const {
        std::size_t n = 0;
        for (const auto& l : lines) n += l == kFF;
        return n;
    }
    // The first line at or after `from` whose text starts with the prefix.
    std::optional<std::size_t> find_prefix(const std::string& utf8, std::size_t from = 0) const {
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (text(i).starts_with(utf8)) return i;
        }
        return std::nullopt;
    }
    // The text lines of page `page` (1-based) as UTF-8, control lines left out.
    std::vector<std::string> page(int page) const {
        std::vector<std::string> out;
        int at = 1;
        for (const auto& l : lines) {
            if (l == kFF && ++at > page) break;
            if (at == page && !l.starts_with('\x1c') && l != kFF) out.push_back(from_big5(l));
        }
        return out;
    }
};

// Splits report bytes into lines; fails the test when a line does not end with CR LF.
inline Report parse_report(std::string bytes) {
    Report r;
    r.bytes = std::move(bytes);
    for (std::size_t start = 0; start < r.bytes.size();) {
        const std::size_t lf = r.bytes.find('\n', start);
        if (lf == std::string::npos) {
            ADD_FAILURE() << "bytes after the last line end";
            break;
        }
        const bool cr = lf > start && r.bytes[lf - 1] == '\r';
        if (!cr) ADD_FAILURE() << "line " << r.lines.size() << " does not end with CR LF";
        r.lines.push_back(r.bytes.substr(start, lf - start - (cr ? 1 : 0)));
        start = lf + 1;
    }
    return r;
}

inline Report load_report(const fs::path& path) {
    return parse_report(read_file(path));
}

// Report bytes framed as the writer frames them: per page its control lines, its text lines
// (UTF-8, written in Big5) and its FF line.
inline std::string framed_report(const std::vector<std::vector<std::string>>& pages) {
    std::string r;
    for (const auto& page : pages) {
        r += "\03431100\r\n\x1cW7\r\n\x1cW0\r\n";
        for (const auto& l : page) r += to_big5(l) + "\r\n";
        r += kFF + "\r\n";
    }
    return r;
}

}  // namespace zol::test
