// A file the program writes for the user (report, PDF, workbook) replaces whatever stands at
// its name: these say whether that may happen and how the replacement keeps what the user
// set on the old file.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>

#include "core/locked_temp.h"

namespace zol {

// Whether `target` (through links too: /dev/stdout) is a device, a FIFO or a socket: such a
// name is written by opening it, so the bytes go where it leads; it is never replaced.
bool is_stream(const std::filesystem::path& target);

// Why the file at `target` must not be written: it is read-only (no write permission for
// this user, or no write bit at all: a file someone protected), a folder or a link to
// anything but a stream. Empty when it may be written (also when there is no such file yet).
std::string replace_refusal(const std::filesystem::path& target);

// The permission bits of the file at `target`, which its replacement keeps (a private
// file stays private); nullopt when there is none.
std::optional<mode_t> existing_mode(const std::filesystem::path& target);

// The bits a new file gets (0666 less the process's umask), for a file made private while it
// is written and given them once it is in place.
mode_t new_file_mode();

// The reason of a failed file operation, in words for the user.
std::string file_error_reason(int err);

// The name start of the temporary files written for `target`: hidden, and told from those
// of other files in the same folder.
std::string temp_prefix(const std::filesystem::path& target);

// A private (0600), locked temporary file beside `target` that the new file is written into
// until it takes the target's place; those that runs which died left there are removed
// first. For a stream it lies in the temporary folder instead: the folder of /dev/null is no
// place for it. nullopt (errno set) when none can be made.
std::optional<LockedTemp> temp_beside(const std::filesystem::path& target);

// The name under which this process reaches the file open as `fd` itself, whatever became of
// the name it was made under: for libraries that take a file name, so that another account
// that renames the temporary file and puts a link in its place gets nothing written through.
std::filesystem::path own_file_path(int fd);

// Puts the written file `temp` (open as `fd`) in the place of `target`: on the disk first,
// then with the old file's permission bits (a private file stays private), refused if the
// target was made read-only meanwhile, or when `temp` no longer names the file written (it
// was replaced meanwhile). A stream gets the bytes written into it and `temp` is removed. The
// reason it failed, or empty.
std::string put_in_place(int fd, const std::filesystem::path& temp,
                         const std::filesystem::path& target);

}  // namespace zol
