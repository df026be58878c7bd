#include "report/xlsx_verify.h"

#include <fcntl.h>
#include <xxhash.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/text.h"
#include "core/unique_fd.h"

namespace zol {

namespace {

// Every XML member starts so; one without it lost its first write.
constexpr std::string_view kDeclaration =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

std::uint32_t le(std::string_view b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

// The members of a zip file by name, inflated and checked against their CRC; nullopt when the
// file is no whole zip file.
std::optional<std::vector<std::pair<std::string, std::string>>> unzip(std::string_view zip) {
    if (zip.size() < 22) return std::nullopt;
    std::size_t end = zip.size() - 22;
    while (end > 0 && zip.substr(end, 4) != "PK\x05\x06") --end;
    if (zip.substr(end, 4) != "PK\x05\x06") return std::nullopt;
    const std::size_t count = le(zip, end + 10, 2);
    std::size_t at = le(zip, end + 16, 4);
    std::vector<std::pair<std::string, std::string>> members;
    for (std::size_t i = 0; i < count; ++i) {
        if (at + 46 > end || zip.substr(at, 4) != "PK\x01\x02") return std::nullopt;
        const std::uint32_t method = le(zip, at + 10, 2), crc = le(zip, at + 16, 4);
        const std::size_t packed = le(zip, at + 20, 4), size = le(zip, at + 24, 4);
        const std::size_t name_len = le(zip, at + 28, 2);
        const std::size_t local = le(zip, at + 42, 4);
        if (at + 46 + name_len > end || local + 30 > end) return std::nullopt;
        std::string name(zip.substr(at + 46, name_len));
        at += 46 + name_len + le(zip, at + 30, 2) + le(zip, at + 32, 2);
        const std::size_t data = local + 30 + le(zip, local + 26, 2) + le(zip, local + 28, 2);
        if (zip.substr(local, 4) != "PK\x03\x04" || data + packed > end) return std::nullopt;
        std::string bytes(size, '\0');
        if (method == 0 && packed == size) {
            bytes.assign(zip.substr(data, packed));
        } else if (method == 8) {
            z_stream z{};
            if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return std::nullopt;
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.data() + data));
            z.avail_in = static_cast<uInt>(packed);
            z.next_out = reinterpret_cast<Bytef*>(bytes.data());
            z.avail_out = static_cast<uInt>(size);
            const int rc = inflate(&z, Z_FINISH);
            inflateEnd(&z);
            if (rc != Z_STREAM_END || z.total_out != size) return std::nullopt;
        } else {
            return std::nullopt;
        }
        const auto* p = reinterpret_cast<const Bytef*>(bytes.data());
        if (crc32(0, p, static_cast<uInt>(bytes.size())) != crc) return std::nullopt;
        members.emplace_back(std::move(name), std::move(bytes));
    }
    return members;
}

// The elements that libxlsxwriter writes empty: the document properties left unset.
constexpr std::string_view kEmptyElements[] = {"Company", "dc:creator", "cp:lastModifiedBy"};

// An XML member as libxlsxwriter writes it: the declaration, then one element whose tags nest,
// whose attributes are quoted and whose text holds only known entities. An element with
// text that lost it (a failed write of the text alone) is empty.
bool well_formed(std::string_view x) {
    if (!x.starts_with(kDeclaration)) return false;
    std::vector<std::string_view> open;
    std::size_t content_start = 0;  // just after the last start tag
    bool root_done = false;
    std::size_t i = kDeclaration.size();
    const auto name_end = [&](std::size_t from) { return x.find_first_of(" />", from); };
    while (i < x.size()) {
        if (x[i] == '&') {
            const std::size_t semi = x.find(';', i);
            if (semi == x.npos || semi - i > 8) return false;
            i = semi + 1;
            continue;
        }
        if (x[i] != '<') {
            if (open.empty() && x[i] != '\n' && x[i] != ' ') return false;
            ++i;
            continue;
        }
        if (root_done) return false;
        if (x.substr(i, 2) == "</") {
            const std::size_t e = x.find('>', i);
            if (e == x.npos || open.empty() || x.substr(i + 2, e - i - 2) != open.back())
                return false;
            if (i == content_start &&
                std::find(std::begin(kEmptyElements), std::end(kEmptyElements), open.back()) ==
                    std::end(kEmptyElements))
                return false;
            open.pop_back();
            root_done = open.empty();
            i = e + 1;
            continue;
        }
        const std::size_t n = name_end(i + 1);
        if (n == x.npos || n == i + 1) return false;
        const std::string_view name = x.substr(i + 1, n - i - 1);
        i = n;
        for (;;) {
            while (i < x.size() && x[i] == ' ') ++i;
            if (x.substr(i, 2) == "/>") {
                i += 2;
                root_done = open.empty();
                break;
            }
            if (i < x.size() && x[i] == '>') {
                open.push_back(name);
                content_start = ++i;
                break;
            }
            const std::size_t eq = x.find("=\"", i);
            const std::size_t close = eq == x.npos ? eq : x.find('"', eq + 2);
            if (close == x.npos || x.substr(i, eq - i).find_first_of("<>\" ") != x.npos ||
                x.substr(eq + 2, close - eq - 2).find('<') != x.npos)
                return false;
            i = close + 1;
        }
    }
    return root_done && open.empty();
}

std::string unescaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        static constexpr std::pair<std::string_view, char> kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        for (const auto& [entity, c] : kEntities) {
            if (s.substr(i, entity.size()) == entity) {
                out += c;
                i += entity.size() - 1;
                break;
            }
        }
    }
    return out;
}

std::string_view attribute(std::string_view tag, std::string_view name) {
    const std::size_t at = tag.find(cat(" ", name, "=\""));
    if (at == tag.npos) return {};
    const std::size_t from = at + name.size() + 3;
    return tag.substr(from, tag.find('"', from) - from);
}

// The cells of a worksheet member; nullopt when one of them cannot be read.
std::optional<CellTally> tally(std::string_view x) {
    CellTally t;
    for (std::size_t at = x.find("<c "); at != x.npos; at = x.find("<c ", at + 1)) {
        const std::size_t tag_end = x.find('>', at);
        const std::size_t cell_end = x.find("</c>", at);
        if (tag_end == x.npos || cell_end == x.npos) return std::nullopt;
        const std::string_view tag = x.substr(at, tag_end - at);
        const std::string_view body = x.substr(tag_end + 1, cell_end - tag_end - 1);
        const std::string_view ref = attribute(tag, "r");
        const std::size_t digits = ref.find_first_of("0123456789");
        if (digits == 0 || digits == ref.npos) return std::nullopt;
        std::uint32_t col = 0;
        for (const char c : ref.substr(0, digits))
            col = col * 26 + static_cast<std::uint32_t>(c - 'A' + 1);
        const auto row = static_cast<std::uint32_t>(std::stoul(std::string(ref.substr(digits))));
        const std::string_view s = attribute(tag, "s");
        const int style = s.empty() ? 0 : std::stoi(std::string(s));
        const auto r = row - 1;
        const auto c = static_cast<std::uint16_t>(col - 1);
        if (attribute(tag, "t") == "inlineStr") {
            const std::size_t from = body.find('>', body.find("<t")) + 1;
            const std::size_t to = body.find("</t>");
            if (from == 0 || to == body.npos || to < from) return std::nullopt;
            t.text(r, c, style, unescaped(body.substr(from, to - from)));
        } else if (body.starts_with("<v>") && body.ends_with("</v>")) {
            t.text(r, c, style, cat("=", body.substr(3, body.size() - 7)));
        } else {
            return std::nullopt;
        }
    }
    return t;
}

std::optional<std::string> read_whole(const std::filesystem::path& file, int& err) {
    const UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd) {
        err = errno;
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n =
            read_at(fd.get(), buffer, sizeof buffer, static_cast<off_t>(bytes.size()));
        if (n < 0) {
            err = errno;
            return std::nullopt;
        }
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

void CellTally::add(std::uint32_t row, std::uint16_t col, int style, char kind,
                    std::string_view value) {
    std::string key(reinterpret_cast<const char*>(&row), sizeof row);
    key.append(reinterpret_cast<const char*>(&col), sizeof col);
    key.append(reinterpret_cast<const char*>(&style), sizeof style);
    key += kind;
    key += value;
    sum_ += XXH3_64bits(key.data(), key.size());
    ++count_;
}

void CellTally::text(std::uint32_t row, std::uint16_t col, int style, std::string_view text) {
    // A number is told by the text it is written as ("=" and the digits).
    add(row, col, style, text.starts_with('=') ? 'n' : 's', text);
}

void CellTally::number(std::uint32_t row, std::uint16_t col, int style, double value) {
    char shown[40];
    // As libxlsxwriter prints a number cell.
    std::snprintf(shown, sizeof shown, "=%.16G", value);
    text(row, col, style, shown);
}

std::string xlsx_problem(const std::filesystem::path& file, const std::vector<CellTally>& sheets,
                         const std::filesystem::path& twin) {
    int err = 0;
    const std::optional<std::string> bytes = read_whole(file, err);
    const std::optional<std::string> twin_bytes = bytes ? read_whole(twin, err) : std::nullopt;
    if (!twin_bytes) return "無法讀回寫好的檔案：" + errno_text(err);
    const std::string damaged = "部分資料未能寫進暫存檔，檔案不完整";
    const auto members = unzip(*bytes);
    const auto twin_members = unzip(*twin_bytes);
    if (!members || !twin_members) return damaged;
    // Members that hold no cells, written in many pieces of which any can go missing.
    for (const char* fixed : {"xl/theme/theme1.xml", "xl/styles.xml"}) {
        const auto named = [&](const auto& member) { return member.first == fixed; };
        const auto a = std::find_if(members->begin(), members->end(), named);
        const auto b = std::find_if(twin_members->begin(), twin_members->end(), named);
        if (a == members->end() || b == twin_members->end() || a->second != b->second)
            return damaged;
    }
    std::size_t sheet = 0;
    for (const auto& [name, xml] : *members) {
        if (!well_formed(xml)) return damaged;
        if (name != "xl/worksheets/sheet" + std::to_string(sheet + 1) + ".xml") continue;
        const std::optional<CellTally> cells = tally(xml);
        if (sheet >= sheets.size() || !cells || !(*cells == sheets[sheet])) return damaged;
        ++sheet;
    }
    return sheet == sheets.size() ? std::string() : damaged;
}

}  // namespace zol
