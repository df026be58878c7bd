#include "core/package_path.h"

#include <optional>
#include <system_error>
#include <vector>

#include "core/big5.h"
#include "core/text.h"

namespace zol {

namespace fs = std::filesystem;

namespace {

std::vector<std::string_view> split_components(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '/' || text[i] == '\\') {
            if (i > start) parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    return parts;
}

// The entry of dir spelled like name: the exact spelling when it exists, else the first
// case-insensitive match in name order (so the choice does not depend on the listing).
std::optional<std::string> find_entry(const fs::path& dir, std::string_view name) {
    std::error_code ec;
    if (name == "." || name == "..") return std::string(name);
    if (fs::exists(dir / fs::path(std::string(name)), ec)) return std::string(name);
    std::optional<std::string> best;
    fs::directory_iterator it(dir, ec);
    if (ec) return std::nullopt;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string entry = it->path().filename().string();
        if (iequals(entry, name) && (!best || entry < *best)) best = std::move(entry);
    }
    return best;
}

}  // namespace

fs::path resolve_package_path(std::string_view path_text) {
    const bool absolute = !path_text.empty() && (path_text[0] == '/' || path_text[0] == '\\');
    fs::path result = absolute ? fs::path("/") : fs::path();
    bool matching = true;
    for (std::string_view part : split_components(path_text)) {
        if (matching) {
            const fs::path dir = result.empty() ? fs::path(".") : result;
            if (auto found = find_entry(dir, part)) {
                result /= *found;
                continue;
            }
            matching = false;  // nothing below a missing component can exist
        }
        result /= std::string(part);
    }
    return result;
}

std::string base_path_from_folder(std::string_view program_folder) {
    const std::size_t n = utf8_length(program_folder);
    return n <= 4 ? std::string() : utf8_left(program_folder, n - 4);
}

}  // namespace zol
