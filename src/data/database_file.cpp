#include "data/database_file.h"

#include <fcntl.h>

#include <cerrno>

#include "core/safe_open.h"
#include "data/db_error.h"

namespace zol {

UniqueFd open_database_file(const std::string& path, const FileAdmission& admit) {
    // Opened without following a link first, so that the admission knows whether one was.
    UniqueFd fd = open_regular(path, O_RDONLY);
    bool through_link = false;
    if (!fd && errno == ELOOP) {
        fd = open_regular_file(path);
        through_link = true;
    }
    if (!fd) throw DbError(path, cannot_open_database(errno));
    if (admit) {
        if (const std::string problem = admit(OpenedFile{fd.get(), path, through_link});
            !problem.empty())
            throw DbError(path, problem);
    }
    return fd;
}

std::string descriptor_path(int fd) {
    return "/proc/self/fd/" + std::to_string(fd);
}

}  // namespace zol
