// Placeholder until the sampledb command lands; replaced by its real implementation.
#include <cstdio>

#include "app/zol5300/commands.h"

namespace zol::app {

int cmd_sampledb(const Args&) {
    std::fputs("zol5300 sampledb: not built yet\n", stderr);
    return 4;
}

}  // namespace zol::app
