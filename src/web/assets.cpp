#include "web/assets.h"

// Each file between a start and an end symbol in the read-only data.
#define ZOL_ASSET(symbol, file)                                                             \
    __asm__(".section .rodata\n.balign 16\n.hidden " #symbol "\n" #symbol                   \
            ":\n.incbin \"" ZOL_WEB_ASSETS "/" file "\"\n.hidden " #symbol "_end\n" #symbol \
            "_end:\n.previous\n");                                                          \
    extern "C" const char symbol[];                                                         \
    extern "C" const char symbol##_end[];

ZOL_ASSET(zol_style_css, "style.css")
ZOL_ASSET(zol_query_js, "query.js")
ZOL_ASSET(zol_preview_js, "preview.js")

namespace zol::web {

std::string_view style_sheet() {
    return {zol_style_css, static_cast<std::size_t>(zol_style_css_end - zol_style_css)};
}
std::string_view query_script() {
    return {zol_query_js, static_cast<std::size_t>(zol_query_js_end - zol_query_js)};
}
std::string_view preview_script() {
    return {zol_preview_js, static_cast<std::size_t>(zol_preview_js_end - zol_preview_js)};
}

}  // namespace zol::web
