// The grades of a school: their codes in the database, their texts in the lists, their
// numerals in the report's class heading and the kindergarten levels' names.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace zol {

struct Grade {
    std::string_view code;     // as the database and the report rows hold it
    std::string_view text;     // the grade list's entry
    std::string_view numeral;  // the class heading's "三 年"
};

// 1 to 12 the numbered grades; 13 to 15 the kindergarten levels, listed by their names.
inline constexpr std::array<Grade, 15> kGrades{{
    {"1", "1", "一"},
    {"2", "2", "二"},
    {"3", "3", "三"},
    {"4", "4", "四"},
    {"5", "5", "五"},
    {"6", "6", "六"},
    {"7", "7", "七"},
    {"8", "8", "八"},
    {"9", "9", "九"},
    {"10", "10", "十"},
    {"11", "11", "十一"},
    {"12", "12", "十二"},
    {"13", "幼小", "幼小"},
    {"14", "幼中", "幼中"},
    {"15", "幼大", "幼大"},
}};
inline constexpr int kFirstKindergartenCode = 13;

// "幼小" 13, "幼中" 14, "幼大" 15 (exact text); anything else its leading number rounded
// to a 16-bit integer (halves to even; throws OverflowError beyond 16 bits).
std::int16_t grade_code(std::string_view text);

// The grade of a code as the report rows hold it; nullptr for a code no school has.
const Grade* grade_of(std::string_view code);
// The kindergarten level's name of a code ("13": "幼小"); empty for every other code.
std::string_view kindergarten_name(std::string_view code);

}  // namespace zol
