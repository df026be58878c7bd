#include "report/report_file.h"

#include "core/package_path.h"

namespace zol {

std::string font_line(int digit) {
    std::string line = "\x1cW";
    line.push_back(static_cast<char>('0' + (digit % 10 + 10) % 10));
    return line;
}

std::filesystem::path report_path(std::string_view base_path) {
    return resolve_package_path(std::string(base_path) + "\\rpt\\" + std::string(kReportFileName));
}

std::filesystem::path handed_over_path(std::string_view base_path, std::string_view file_name) {
    return resolve_package_path(std::string(base_path) + "/RPT/" + std::string(file_name));
}

ReportError::ReportError(std::string message, std::filesystem::path path)
    : std::runtime_error(std::move(message)), path_(std::move(path)) {}

}  // namespace zol
