// libFuzzer entry; ZOL_FUZZ_ENTRY names the target of fuzz/targets/targets.h.
#include "fuzz/targets/targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return zol::fuzz::ZOL_FUZZ_ENTRY(data, size);
}
