#include "app/zol5300/setup_place.h"

#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>

namespace zol::app {

namespace fs = std::filesystem;

namespace {

std::string read_all(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What is built beside `at` and then replaces it in one rename; removed when that fails.
class TempBeside {
  public:
    explicit TempBeside(const fs::path& at)
        : at_(at),
          path_(at.parent_path() /
                ("." + at.filename().string() + ".tmp-" + std::to_string(::getpid()))) {
        std::error_code ec;
        fs::remove(path_, ec);
    }
    ~TempBeside() {
        std::error_code ec;
        if (!moved_) fs::remove(path_, ec);
    }
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;
    const fs::path& path() const { return path_; }
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
    fs::create_symlink(target, temp.path(), ec);
    if (ec) {
        const bool no_links =
            ec.value() == EPERM || ec.value() == EOPNOTSUPP || ec.value() == ENOSYS;
        if (!no_links) throw fs::filesystem_error("create_symlink", target, temp.path(), ec);
        fs::copy_file(target, temp.path(), fs::copy_options::overwrite_existing);
        placed = Placed::kCopied;
    }
    temp.move_into_place();
    return placed;
}

Placed write_if_changed(const fs::path& at, const std::string& text) {
    if (fs::is_regular_file(at) && read_all(at) == text) return Placed::kUnchanged;
    fs::create_directories(at.parent_path());
    TempBeside temp(at);
    std::ofstream out(temp.path(), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        throw fs::filesystem_error("write", temp.path(), std::make_error_code(std::errc::io_error));
    temp.move_into_place();
    return Placed::kWritten;
}

}  // namespace zol::app
