// Prints, one "U+XXXX" a line, printable ASCII and every character that a Big5 byte pair
// decodes to through the program's own converter: the characters a report can hold, so the
// web preview's font is cut to exactly those.
#include <unicode/utf8.h>

#include <cstdio>
#include <set>
#include <string>

#include "core/big5.h"

int main() {
    std::set<UChar32> chars;
    for (UChar32 c = 0x20; c <= 0x7E; ++c) chars.insert(c);
    for (int lead = 0; lead <= 0xFF; ++lead) {
        if (!zol::is_big5_lead(static_cast<unsigned char>(lead))) continue;
        for (int trail = 0; trail <= 0xFF; ++trail) {
            if (!zol::is_big5_trail(static_cast<unsigned char>(trail))) continue;
            const std::string utf8 =
                zol::from_big5(std::string{static_cast<char>(lead), static_cast<char>(trail)});
            const auto* s = reinterpret_cast<const uint8_t*>(utf8.data());
            const auto length = static_cast<int32_t>(utf8.size());
            for (int32_t i = 0; i < length;) {
                UChar32 c = 0;
                U8_NEXT(s, i, length, c);
                // Unmapped pairs come back as U+FFFD or a control character: nothing to draw.
                if (c >= 0x80 && c != 0xFFFD) chars.insert(c);
            }
        }
    }
    for (const UChar32 c : chars) std::printf("U+%04X\n", static_cast<unsigned>(c));
    return 0;
}
