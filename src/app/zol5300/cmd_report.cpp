// Placeholder until the report command lands; replaced by its real implementation.
#include <cstdio>

#include "app/zol5300/commands.h"

namespace zol::app {

int cmd_report(const Args&) {
    std::fputs("zol5300 report: not built yet\n", stderr);
    return 4;
}

}  // namespace zol::app
