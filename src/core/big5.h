// Big5 (code page 950) text: the report file's encoding and its print columns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zol {

// The byte ranges of a double-byte Big5 character: a lead byte 81..FE, then a trail byte
// 40..7E or A1..FE. Any other byte, and a lead byte without a trail after it, is a
// character of its own, so control characters, CR, LF and blanks never fall inside one.
constexpr bool is_big5_lead(unsigned char b) {
    return b >= 0x81 && b <= 0xFE;
}
constexpr bool is_big5_trail(unsigned char b) {
    return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
}

// UTF-8 -> Big5 (ICU "windows-950"); a character without a Big5 code becomes "?".
std::string to_big5(std::string_view utf8);
// Big5 -> UTF-8; invalid bytes become U+FFFD.
std::string from_big5(std::string_view big5);

// Width of a text in print columns: per character, convert to Big5, take the code as a
// 16-bit signed number; add 2 when it is negative or above 128, else 1. Throws
// OverflowError when the sum exceeds 32767. Uses one converter per thread.
std::int16_t display_width(std::string_view utf8);

// The first n characters (code points) of a UTF-8 text, and `count` characters starting at
// character `from` (1-based; 0 counts as 1) like Mid$; both stop at the end of the text.
// An invalid UTF-8 sequence counts as one character.
std::string utf8_left(std::string_view utf8, std::size_t n);
std::string utf8_mid(std::string_view utf8, std::size_t from, std::size_t count);
std::size_t utf8_length(std::string_view utf8);

}  // namespace zol
