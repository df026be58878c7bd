#include "ui/query_window_args.h"

namespace zol {

namespace {

// Splits at the first "/": the text before it and, when there was one, the rest after it.
std::string_view take_field(std::string_view& rest) {
    const auto slash = rest.find('/');
    const std::string_view field = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
    return field;
}

}  // namespace

std::optional<StartArgs> parse_command_line(std::string_view cmd_line) {
    if (cmd_line.empty()) return std::nullopt;
    StartArgs a;
    a.cmd_line = std::string(cmd_line);
    std::string_view rest = cmd_line;
    a.start_arg1 = std::string(take_field(rest));
    a.start_arg2 = std::string(take_field(rest));
    a.start_arg3 = std::string(take_field(rest));
    return a;
}

std::string joined_args(const StartArgs& args) {
    return args.start_arg1 + "/" + args.start_arg2 + "/" + args.start_arg3;
}

}  // namespace zol
