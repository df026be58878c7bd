// The desktop launcher that "zol5300 setup" writes for one package folder.
#pragma once

#include <filesystem>
#include <string>

namespace zol::app {

// ~/.local/share/applications/zol5300-FOLDER-HASH.desktop (or under $XDG_DATA_HOME): named
// after the package folder, the hash of its whole path keeping two folders of one name apart.
// Empty when neither $XDG_DATA_HOME nor $HOME is set.
std::filesystem::path launcher_path(const std::filesystem::path& base);

// The desktop entry that starts `program` (BASE/exe/Zol5300P1) with the start-up fields `args`.
std::string launcher_text(const std::filesystem::path& base, const std::filesystem::path& program,
                          const std::string& args);

}  // namespace zol::app
