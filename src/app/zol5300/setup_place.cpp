#include "app/zol5300/setup_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

#include "core/file_target.h"
#include "core/io_loop.h"
#include "core/locked_temp.h"
#include "core/text.h"

namespace zol::app {

namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What is built beside `at` under an unguessable name and then replaces it in one rename;
// removed when that fails. A name someone put there first is never opened or written
// through: a shared applications or program folder may hold links planted by another account.
class TempBeside {
  public:
    explicit TempBeside(const fs::path& at) : at_(at) {}
    ~TempBeside() {
        std::error_code ec;
        if (!path_.empty() && !moved_) fs::remove(path_, ec);
    }
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;

    // A new file holding `bytes` with `mode`, on the disk.
    void write(const std::string& bytes, mode_t mode) {
        auto temp = create_locked_temp(at_.parent_path(), prefix(), 0600);
        if (!temp) fail("open", errno);
        path_ = temp->path;
        if (!write_all(temp->fd.get(), bytes.data(), bytes.size()) ||
            ::fchmod(temp->fd.get(), mode) != 0 || ::fsync(temp->fd.get()) != 0)
            fail("write", errno);
    }
    // A symbolic link to `target`; false where the file system has none.
    bool link_to(const fs::path& target) {
        for (int attempt = 0;; ++attempt) {
            const fs::path name = at_.parent_path() / unguessable_temp_name(prefix());
            if (::symlink(target.c_str(), name.c_str()) == 0) {
                path_ = name;
                return true;
            }
            if (errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS) return false;
            if (errno != EEXIST || attempt > 16) fail("symlink", errno);
        }
    }
    void move_into_place() {
        // A device or a FIFO at the name is left alone, never replaced.
        std::error_code ec;
        const fs::file_status st = fs::symlink_status(at_, ec);
        if (fs::exists(st) && !fs::is_regular_file(st) && !fs::is_symlink(st))
            throw fs::filesystem_error("rename", at_,
                                       std::make_error_code(std::errc::no_such_device_or_address));
        fs::rename(path_, at_);
        moved_ = true;
    }

  private:
    std::string prefix() const { return cat(".", at_.filename().string(), "."); }
    [[noreturn]] void fail(const char* what, int err) const {
        throw fs::filesystem_error(what, at_, std::error_code(err, std::generic_category()));
    }

    fs::path at_, path_;
    bool moved_ = false;
};

}  // namespace

Placed place_program(const fs::path& target, const fs::path& at) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(at, ec);
    if (fs::is_symlink(st) && fs::read_symlink(at, ec) == target) return Placed::kUnchanged;
    if (fs::is_regular_file(st) && read_all(at) == read_all(target)) return Placed::kUnchanged;

    TempBeside temp(at);
    Placed placed = Placed::kLinked;
    if (!temp.link_to(target)) {
        temp.write(read_all(target), 0755);
        placed = Placed::kCopied;
    }
    temp.move_into_place();
    return placed;
}

Placed write_if_changed(const fs::path& at, const std::string& text) {
    if (fs::is_regular_file(at) && read_all(at) == text) return Placed::kUnchanged;
    fs::create_directories(at.parent_path());
    TempBeside temp(at);
    temp.write(text, new_file_mode());
    temp.move_into_place();
    return Placed::kWritten;
}

}  // namespace zol::app
