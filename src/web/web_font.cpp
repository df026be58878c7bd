#include "web/web_font.h"

#include <cstdint>

// The font file goes in as it is: the assembler includes megabytes at once, where the compiler
// would take long over an array of that size. The build rebuilds this file when the font
// changes (CMakeLists.txt).
__asm__(
    ".section .rodata.zol_web_font,\"a\",@progbits\n"
    ".balign 16\n"
    ".hidden zol_web_font_data\n"
    ".globl zol_web_font_data\n"
    "zol_web_font_data:\n"
    ".incbin \"" ZOL_WEB_FONT_PATH
    "\"\n"
    "zol_web_font_end:\n"
    ".balign 8\n"
    ".hidden zol_web_font_size\n"
    ".globl zol_web_font_size\n"
    "zol_web_font_size:\n"
    ".quad zol_web_font_end - zol_web_font_data\n"
    ".previous\n");

extern "C" const char zol_web_font_data[];
extern "C" const std::uint64_t zol_web_font_size;

namespace zol::web {

std::string_view web_font() {
    return {zol_web_font_data, static_cast<std::size_t>(zol_web_font_size)};
}

}  // namespace zol::web
