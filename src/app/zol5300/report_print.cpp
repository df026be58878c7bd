#include "app/zol5300/report_print.h"

#include <cstdio>

namespace zol::app {

int print_written_report(const PrintRequest&) {
    std::fputs("列印功能尚未提供：報表檔已寫好，但尚未送印\n", stderr);
    return 4;
}

}  // namespace zol::app
