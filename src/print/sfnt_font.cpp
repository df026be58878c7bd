#include "print/sfnt_font.h"

#include <algorithm>
#include <array>

namespace zol::print {
namespace {

std::uint32_t u16(const QByteArray& d, qsizetype at) {
    if (at < 0 || at + 2 > d.size()) return 0;
    return (std::uint32_t(std::uint8_t(d[at])) << 8) | std::uint8_t(d[at + 1]);
}

std::uint32_t u32(const QByteArray& d, qsizetype at) {
    if (at < 0 || at + 4 > d.size()) return 0;
    return (u16(d, at) << 16) | u16(d, at + 2);
}

void put16(QByteArray& d, std::uint32_t v) {
    d.append(char((v >> 8) & 0xff));
    d.append(char(v & 0xff));
}

void put32(QByteArray& d, std::uint32_t v) {
    put16(d, v >> 16);
    put16(d, v & 0xffff);
}

void set32(QByteArray& d, qsizetype at, std::uint32_t v) {
    d[at] = char(v >> 24);
    d[at + 1] = char((v >> 16) & 0xff);
    d[at + 2] = char((v >> 8) & 0xff);
    d[at + 3] = char(v & 0xff);
}

std::uint32_t checksum(const QByteArray& d) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(d.constData());
    const qsizetype n = d.size();
    std::uint32_t sum = 0;
    qsizetype i = 0;
    for (; i + 4 <= n; i += 4)
        sum += (std::uint32_t(p[i]) << 24) | (std::uint32_t(p[i + 1]) << 16) |
               (std::uint32_t(p[i + 2]) << 8) | p[i + 3];
    std::uint32_t tail = 0;
    for (int k = 0; k < 4; ++k) tail = (tail << 8) | (i + k < n ? p[i + k] : 0u);
    return i < n ? sum + tail : sum;
}

void read_format12(const QByteArray& t, qsizetype at, std::map<std::uint32_t, std::uint16_t>& out) {
    const std::uint32_t groups = u32(t, at + 12);
    for (std::uint32_t g = 0; g < groups; ++g) {
        const qsizetype p = at + 16 + qsizetype(g) * 12;
        if (p + 12 > t.size()) break;
        const std::uint32_t first = u32(t, p), last = u32(t, p + 4), glyph = u32(t, p + 8);
        if (last < first || last - first > 0x10ffff) continue;
        for (std::uint32_t c = first; c <= last; ++c) out[c] = std::uint16_t(glyph + (c - first));
    }
}

void read_format4(const QByteArray& t, qsizetype at, std::map<std::uint32_t, std::uint16_t>& out) {
    const std::uint32_t segs = u16(t, at + 6) / 2;
    const qsizetype ends = at + 14, starts = ends + 2 * segs + 2, deltas = starts + 2 * segs,
                    offsets = deltas + 2 * segs;
    for (std::uint32_t s = 0; s < segs; ++s) {
        const std::uint32_t last = u16(t, ends + 2 * s), first = u16(t, starts + 2 * s);
        const std::uint32_t delta = u16(t, deltas + 2 * s);
        const std::uint32_t range_offset = u16(t, offsets + 2 * s);
        for (std::uint32_t c = first; c <= last && c != 0xffff; ++c) {
            std::uint32_t glyph;
            if (range_offset == 0) {
                glyph = (c + delta) & 0xffff;
            } else {
                const qsizetype p = offsets + 2 * s + range_offset + 2 * (c - first);
                glyph = u16(t, p);
                if (glyph != 0) glyph = (glyph + delta) & 0xffff;
            }
            if (glyph != 0) out[c] = std::uint16_t(glyph);
        }
    }
}

QByteArray utf16be(const QString& s) {
    QByteArray out;
    for (QChar c : s) put16(out, c.unicode());
    return out;
}

}  // namespace

std::map<std::uint32_t, std::uint16_t> read_cmap(const QByteArray& cmap) {
    std::map<std::uint32_t, std::uint16_t> out;
    const std::uint32_t n = u16(cmap, 2);
    qsizetype best12 = -1, best4 = -1;
    for (std::uint32_t i = 0; i < n; ++i) {
        const qsizetype rec = 4 + qsizetype(i) * 8;
        const std::uint32_t platform = u16(cmap, rec), encoding = u16(cmap, rec + 2);
        const qsizetype at = u32(cmap, rec + 4);
        const bool unicode = platform == 0 || (platform == 3 && (encoding == 1 || encoding == 10));
        if (!unicode) continue;
        const std::uint32_t format = u16(cmap, at);
        if (format == 12 && best12 < 0) best12 = at;
        if (format == 4 && best4 < 0) best4 = at;
    }
    if (best12 >= 0)
        read_format12(cmap, best12, out);
    else if (best4 >= 0)
        read_format4(cmap, best4, out);
    return out;
}

QByteArray write_cmap(const std::map<std::uint32_t, std::uint16_t>& map) {
    // Groups of consecutive code points with consecutive glyphs.
    std::vector<std::array<std::uint32_t, 3>> groups;
    for (const auto& [code, glyph] : map) {
        if (!groups.empty()) {
            auto& g = groups.back();
            if (code == g[1] + 1 && glyph == g[2] + (code - g[0])) {
                g[1] = code;
                continue;
            }
        }
        groups.push_back({code, code, glyph});
    }
    QByteArray sub;
    put16(sub, 12);
    put16(sub, 0);
    put32(sub, 16 + 12 * std::uint32_t(groups.size()));
    put32(sub, 0);
    put32(sub, std::uint32_t(groups.size()));
    for (const auto& g : groups) {
        put32(sub, g[0]);
        put32(sub, g[1]);
        put32(sub, g[2]);
    }
    QByteArray out;
    put16(out, 0);  // version
    put16(out, 2);  // two records share the one subtable
    const std::uint32_t offset = 4 + 2 * 8;
    put16(out, 0);
    put16(out, 4);
    put32(out, offset);
    put16(out, 3);
    put16(out, 10);
    put32(out, offset);
    out.append(sub);
    return out;
}

QByteArray write_name_table(const QString& family, const QString& style,
                            const QString& postscript_name) {
    const std::vector<std::pair<int, QString>> names = {
        {1, family},
        {2, style},
        {3, family + QStringLiteral(" ") + style},
        {4, family + QStringLiteral(" ") + style},
        {6, postscript_name},
    };
    QByteArray strings;
    QByteArray out;
    put16(out, 0);
    put16(out, std::uint32_t(names.size()));
    put16(out, 6 + 12 * std::uint32_t(names.size()));
    for (const auto& [id, text] : names) {
        const QByteArray s = utf16be(text);
        put16(out, 3);      // Windows
        put16(out, 1);      // Unicode BMP
        put16(out, 0x409);  // US English
        put16(out, id);
        put16(out, std::uint32_t(s.size()));
        put16(out, std::uint32_t(strings.size()));
        strings.append(s);
    }
    out.append(strings);
    return out;
}

QString read_postscript_name(const QByteArray& t) {
    const std::uint32_t count = u16(t, 2), storage = u16(t, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        const qsizetype rec = 6 + qsizetype(i) * 12;
        if (u16(t, rec + 6) != 6) continue;
        const std::uint32_t platform = u16(t, rec), len = u16(t, rec + 8), off = u16(t, rec + 10);
        const QByteArray raw = t.mid(storage + off, len);
        if (platform == 3 || platform == 0) {
            QString s;
            for (qsizetype k = 0; k + 1 < raw.size(); k += 2)
                s.append(QChar(char16_t(u16(raw, k))));
            return s;
        }
        return QString::fromLatin1(raw);
    }
    return {};
}

QByteArray write_sfnt(const std::map<QByteArray, QByteArray>& tables) {
    const std::uint32_t n = std::uint32_t(tables.size());
    std::uint32_t power = 1, log2 = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++log2;
    }
    QByteArray out;
    put32(out, tables.count("CFF ") ? 0x4F54544Fu : 0x00010000u);  // "OTTO" or TrueType
    put16(out, n);
    put16(out, power * 16);
    put16(out, log2);
    put16(out, n * 16 - power * 16);
    qsizetype offset = 12 + 16 * qsizetype(n);
    qsizetype head_at = -1;
    QByteArray body;
    qsizetype total = 0;
    for (const auto& entry : tables) total += (entry.second.size() + 3) / 4 * 4;
    body.reserve(total);
    for (const auto& [tag, data] : tables) {  // std::map keeps the tags sorted as required
        out.append(tag.left(4).leftJustified(4, ' '));
        put32(out, checksum(data));
        put32(out, std::uint32_t(offset + body.size()));
        put32(out, std::uint32_t(data.size()));
        if (tag == "head") head_at = offset + body.size();
        body.append(data);
        while (body.size() % 4) body.append('\0');
    }
    out.append(body);
    if (head_at >= 0 && head_at + 12 <= out.size()) {
        set32(out, head_at + 8, 0);
        set32(out, head_at + 8, 0xB1B0AFBAu - checksum(out));
    }
    return out;
}

QByteArray rebuild_font(const std::function<QByteArray(const char* tag)>& table,
                        const QString& family, const QString& style,
                        const std::vector<CodeRange>& drop) {
    static constexpr const char* kTags[] = {
        "BASE", "CFF ", "CFF2", "COLR", "CPAL", "DSIG", "GDEF", "GPOS", "GSUB", "JSTF", "MATH",
        "OS/2", "STAT", "VORG", "avar", "cvt ", "fpgm", "fvar", "gasp", "glyf", "gvar", "hdmx",
        "head", "hhea", "hmtx", "kern", "loca", "maxp", "meta", "post", "prep", "vhea", "vmtx"};
    std::map<std::uint32_t, std::uint16_t> map = read_cmap(table("cmap"));
    if (map.empty()) return {};
    for (const auto& [first, last] : drop) map.erase(map.lower_bound(first), map.upper_bound(last));
    std::map<QByteArray, QByteArray> tables;
    for (const char* tag : kTags) {
        QByteArray data = table(tag);
        if (!data.isEmpty()) tables.emplace(QByteArray(tag), std::move(data));
    }
    if (!tables.count("head") || !tables.count("maxp")) return {};
    QString ps = read_postscript_name(table("name"));
    if (ps.isEmpty()) ps = QString(family).remove(QLatin1Char(' ')) + QLatin1Char('-') + style;
    tables["cmap"] = write_cmap(map);
    tables["name"] = write_name_table(family, style, ps);
    return write_sfnt(tables);
}

}  // namespace zol::print
