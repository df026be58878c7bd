// What the screen filter does with the control codes of a report file: one set of rules for
// the page reader (report_reader) and for the search's fast path (report_find), which must
// agree on the lines a page shows.
#pragma once

#include <string_view>

namespace zol::screen {

// The bytes the filter acts on; any other byte of a text line is shown as it is.
inline constexpr std::string_view kFilterBytes("\t\f\x1b\x1c", 4);

// Page k begins after the (k-1)-th FF, past the CR that follows it and this many bytes
// more (its LF).
inline constexpr int kPageStartPastCr = 1;

// What goes after an ESC or FS and its code character (a Big5 character counts as one).
enum class After {
    nothing,         // only the two
    one,             // one parameter character
    two,             // two parameter characters
    two_first_page,  // two on page 1; on the other pages the code character is shown
    line,            // the rest of the line through its CR, and the LF after it
    line_to_blank,   // the same, where on page 1 a blank also ends what is dropped
    shown,           // no code: the introducer goes, the code character is shown
};
After after(unsigned char introducer, unsigned code);

// True when the filter drops `line` (without its CR LF) whole on every page: an FF line, or
// one whose code drops the rest of its line, holding no other filter byte, no CR and no blank
// (on page 1 a blank stops the dropping).
bool dropped_whole(std::string_view line);

}  // namespace zol::screen
