// The web preview's built-in font, read back with Debian's fontTools.
#include "web/web_font.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/run_capture.h"

namespace zol::test {
namespace {

// Line 1: the distinct advances of the ASCII characters; line 2: of all others; then the
// advance of each code point asked for, 0 where the font has no glyph for it.
constexpr const char* kAdvances = R"(import sys
from fontTools.ttLib import TTFont
f = TTFont(sys.argv[1]); cmap = f.getBestCmap(); hmtx = f["hmtx"]
adv = lambda c: hmtx[cmap[c]][0] if c in cmap else 0
print(",".join(str(a) for a in sorted({adv(c) for c in cmap if c < 0x80})))
print(",".join(str(a) for a in sorted({adv(c) for c in cmap if c >= 0x80})))
print(*(adv(int(c)) for c in sys.argv[2:])))";

TEST(WebFont, IsAWoff2WithEveryReportCharacterTwoAsciiColumnsWide) {
    const std::string_view font = web::web_font();
    EXPECT_EQ(font.substr(0, 4), "wOF2");
    // A cut font: the whole face is several times this.
    EXPECT_LT(font.size(), 3'300'000u);
    const TempDir dir("zol_font_");
    write_file(dir / "font.woff2", std::string(font));
    // Columns per code point: the report's own characters and frame, ones the font draws
    // narrower by itself (widened in the cut), and none for characters without a Big5 code.
    const struct {
        char32_t c;
        int columns;
    } cases[] = {{U'學', 2}, {U'號', 2}, {U'繳', 2}, {U'費', 2}, {U'明', 2}, {U'細', 2}, {U'表', 2},
                 {U'：', 2}, {U'０', 2}, {U'─', 2},  {U'α', 2},  {U'°', 2},  {U'€', 2},  {U'0', 1},
                 {U'9', 1},  {U'_', 1},  {U' ', 1},  {U'~', 1},  {U'这', 0}, {U'갈', 0}, {U'é', 0}};
    std::vector<std::string> args{"/usr/bin/python3", "-c", kAdvances,
                                  (dir / "font.woff2").string()};
    for (const auto& c : cases) args.push_back(std::to_string(static_cast<unsigned>(c.c)));
    const RunOutput r = run_program(args);
    ASSERT_EQ(r.code, 0) << r.err;
    std::istringstream out(r.out);
    std::string ascii, others;
    std::getline(out, ascii);
    std::getline(out, others);
    ASSERT_EQ(ascii.find(','), std::string::npos) << ascii;
    const int column = std::stoi(ascii);
    EXPECT_GT(column, 0);
    EXPECT_EQ(others, std::to_string(2 * column));
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.c));
        int advance = -1;
        out >> advance;
        EXPECT_EQ(advance, c.columns * column);
    }
}

}  // namespace
}  // namespace zol::test
