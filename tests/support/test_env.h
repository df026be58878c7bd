// Test binaries find the programs they run through the environment; ctest and a direct
// run of a test binary both get the paths of this build.
#pragma once

#include <cstdlib>

namespace zol::test {

inline void set_default_environment() {
    setenv("ZOL5300_BIN", ZOL5300_BIN_PATH, 0);
    setenv("ZOL5300P1_BIN", ZOL5300P1_BIN_PATH, 0);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace zol::test
