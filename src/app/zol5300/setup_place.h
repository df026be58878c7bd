// Placing files into a package folder so that running "zol5300 setup" again changes nothing.
#pragma once

#include <filesystem>
#include <string>

namespace zol::app {

enum class Placed { kUnchanged, kLinked, kCopied, kWritten };

// Makes `at` a symbolic link to `target`. Where the file system has no links (a share
// mounted without them), `at` becomes a copy of `target` instead. Throws
// std::filesystem::filesystem_error when neither can be made.
Placed place_program(const std::filesystem::path& target, const std::filesystem::path& at);

// Writes `text` to `at` (through a temporary file and a rename) unless it already holds it.
Placed write_if_changed(const std::filesystem::path& at, const std::string& text);

}  // namespace zol::app
