// Placeholder until the sql command lands; replaced by its real implementation.
#include <cstdio>

#include "app/zol5300/commands.h"

namespace zol::app {

int cmd_sql(const Args&) {
    std::fputs("zol5300 sql: not built yet\n", stderr);
    return 4;
}

}  // namespace zol::app
