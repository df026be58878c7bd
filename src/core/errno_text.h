// What a failed system call tells the clerk: the error in Traditional Chinese, never the
// C library's English text.
#pragma once

#include <string>

namespace zol {

// The reason for `err` (an errno value), for the end of a message that names the file.
std::string errno_text(int err);

}  // namespace zol
