// Grade texts of the lists and their numbers in the database.
#pragma once

#include <cstdint>
#include <string_view>

namespace zol {

// "幼小" 13, "幼中" 14, "幼大" 15 (exact text); anything else its leading number rounded
// to a 16-bit integer (halves to even; throws OverflowError beyond 16 bits).
std::int16_t grade_code(std::string_view text);

}  // namespace zol
