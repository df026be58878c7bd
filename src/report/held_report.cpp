#include "report/held_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "report/report_file.h"

namespace zol {

HeldReport::HeldReport(const std::filesystem::path& path)
    : path_(path), fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (!fd_) {
        const int err = errno;
        throw ReportError("無法開啟報表檔：" + path.string() + "（" + std::strerror(err) + "）",
                          path);
    }
}

}  // namespace zol
