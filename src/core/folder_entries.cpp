#include "core/folder_entries.h"

#include <system_error>

namespace zol {

namespace fs = std::filesystem;

std::vector<fs::directory_entry> folder_entries(const fs::path& dir) {
    std::vector<fs::directory_entry> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        out.push_back(*it);
    return out;
}

}  // namespace zol
