#include "core/package_path.h"

#include <unistd.h>

#include <cstdlib>
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

std::string program_folder_from_argv0(std::string_view argv0) {
    if (argv0.empty()) return {};
    std::error_code ec;
    fs::path program;
    if (argv0.find('/') != std::string_view::npos) {
        program = fs::path(argv0);
    } else {
        // As the shell found it: the first PATH entry holding an executable of that name.
        const char* env = std::getenv("PATH");
        const std::string_view path_list = env ? env : "";
        for (std::size_t start = 0; start <= path_list.size() && program.empty();) {
            std::size_t end = path_list.find(':', start);
            if (end == std::string_view::npos) end = path_list.size();
            const std::string_view dir = path_list.substr(start, end - start);
            const fs::path candidate = fs::path(dir.empty() ? "." : dir) / argv0;
            if (::access(candidate.c_str(), X_OK) == 0 && fs::is_regular_file(candidate, ec))
                program = candidate;
            start = end + 1;
        }
    }
    if (program.empty()) return {};
    if (program.is_relative()) {
        const fs::path cwd = fs::current_path(ec);
        if (ec) return {};
        program = cwd / program;
    }
    return program.lexically_normal().parent_path().string();
}

std::string base_path_from_folder(std::string_view program_folder) {
    const std::size_t n = utf8_length(program_folder);
    return n <= 4 ? std::string() : utf8_left(program_folder, n - 4);
}

std::filesystem::path report_folder(std::string_view base_path) {
    return resolve_package_path(std::string(base_path) + "\\" + std::string(kReportFolderName));
}

std::filesystem::path report_export_path(std::string_view base_path, std::string_view extension) {
    return report_folder(base_path) / (std::string(kReportStem) + std::string(extension));
}

}  // namespace zol
