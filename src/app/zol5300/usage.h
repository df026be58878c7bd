// The usage texts of the command and each of its subcommands: printed on standard output
// for --help, on standard error after a command line that could not be used.
#pragma once

#include <cstdio>
#include <string_view>

namespace zol::app {

// The text for `command` ("" for the command as a whole); null for an unknown command.
const char* usage_text(std::string_view command);

// Writes the text for `command` to `out` (the whole command's for an unknown one).
void print_usage(std::string_view command, std::FILE* out);

}  // namespace zol::app
