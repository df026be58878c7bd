#include "report/held_report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/file_target.h"
#include "core/safe_open.h"
#include "report/report_file.h"

namespace zol {

HeldReport::HeldReport(const std::filesystem::path& path)
    // Not through a link, and never waiting on a FIFO someone put under the report's name.
    : path_(path), fd_(open_regular(path, O_RDONLY)) {
    if (!fd_) {
        const int err = errno;
        throw ReportError("無法開啟報表檔：" + path.string() + "（" +
                              (err == ENOENT ? "檔案不存在" : file_error_reason(err)) + "）",
                          path);
    }
}

}  // namespace zol
