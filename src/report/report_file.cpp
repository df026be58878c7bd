#include "report/report_file.h"

#include <algorithm>
#include <system_error>

#include "core/errno_text.h"
#include "core/folder_entries.h"
#include "core/package_path.h"
#include "core/text.h"

namespace zol {

std::string font_line(int digit) {
    std::string line{control::kFs, control::kFont};
    line.push_back(static_cast<char>('0' + (digit % 10 + 10) % 10));
    return line;
}

LineControl line_control(std::string_view line) {
    using namespace control;
    if (line.substr(0, kFormFeedLine.size()) == kFormFeedLine) return {LineKind::PageEnd};
    if (line.size() < 3) return {};
    const char a = line[0], b = line[1], c = line[2];
    if (a == kFs && b == kFont) {
        if (c >= '1' && c <= '8') return {LineKind::FontSize, 8 + (c - '0')};
        if (c == kBoldOn) return {LineKind::BoldOn};
        if (c == kBoldOff) return {LineKind::BoldOff};
    }
    if (a == kFs && b == kSpacing && c == '1') return {LineKind::Spacing};
    if (a == kEsc && b == kPicture && c == kPictureDraw) return {LineKind::Picture};
    if (a == kEsc && b == kPicture && c == kPictureLayout) return {LineKind::Layout};
    return {};
}

std::filesystem::path report_path(std::string_view base_path) {
    // The file itself by its exact name: a like-named file beside it is another file.
    return report_folder(base_path) / std::string(kReportFileName);
}

std::string handed_over_text(std::string_view base_path, std::string_view file_name) {
    return std::string(base_path) + "/RPT/" + std::string(file_name);
}

std::filesystem::path handed_over_path(std::string_view base_path, std::string_view file_name) {
    return resolve_handed_over(handed_over_text(base_path, file_name));
}

std::filesystem::path resolve_handed_over(std::string_view path_text) {
    const std::size_t cut = path_text.find_last_of("/\\");
    const std::string_view name = path_text.substr(cut == std::string_view::npos ? 0 : cut + 1);
    if (cut == std::string_view::npos || !iequals(name, kReportFileName))
        return resolve_package_path(path_text);
    return resolve_package_path(path_text.substr(0, cut)) / std::string(kReportFileName);
}

std::vector<std::filesystem::path> other_spellings(const std::filesystem::path& file) {
    std::vector<std::filesystem::path> found;
    const std::string name = file.filename().string();
    for (const auto& entry : folder_entries(file.parent_path())) {
        const std::string other = entry.path().filename().string();
        if (other != name && iequals(other, name)) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

ReportError::ReportError(std::string message, std::filesystem::path path)
    : std::runtime_error(std::move(message)), path_(std::move(path)) {}

void report_read_failed(const std::filesystem::path& path, int err) {
    throw ReportError("無法讀取報表檔：" + path.string() + "（" + errno_text(err) + "）", path);
}

void report_page_too_large(const std::filesystem::path& path) {
    throw ReportError("報表檔 " + path.string() + " 有一頁超過 " +
                          std::to_string(kMaxPageBytes >> 20) + " MB，不是本程式寫出的報表",
                      path);
}

}  // namespace zol
