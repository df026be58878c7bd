// The start-up command line parser on arbitrary text.
#include <string_view>

#include "fuzz/targets/targets.h"
#include "ui/query_window_args.h"

namespace zol::fuzz {

int command_line(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto args = parse_command_line(text);
    if (text.empty() != !args.has_value()) std::abort();
    if (args) {
        // Every field is a piece of the line; handing them back never grows it.
        if (joined_args(*args).size() > text.size() + 2) std::abort();
    }
    return 0;
}

}  // namespace zol::fuzz
