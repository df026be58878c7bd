// Entry points shared by the libFuzzer drivers and the regression test that replays
// every input the fuzzers ever found trouble with.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zol::fuzz {

int translate(const std::uint8_t* data, std::size_t size);
int jet(const std::uint8_t* data, std::size_t size);
int report_reader(const std::uint8_t* data, std::size_t size);
int command_line(const std::uint8_t* data, std::size_t size);
int masked_date(const std::uint8_t* data, std::size_t size);

}  // namespace zol::fuzz
