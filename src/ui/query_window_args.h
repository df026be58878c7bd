// The start-up command line: three "/"-separated fields that the menu program hands
// over and gets back unchanged on exit.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zol {

struct StartArgs {
    std::string cmd_line;
    std::string start_arg1;
    std::string start_arg2;
    std::string start_arg3;
};

// nullopt for an empty command line (the program then ends at once). A line with fewer
// than two "/" keeps what it has and leaves the missing fields empty; anything after a
// third "/" is ignored.
std::optional<StartArgs> parse_command_line(std::string_view cmd_line);

// The argument text handed back to the menu program: "a/b/c".
std::string joined_args(const StartArgs& args);

}  // namespace zol
