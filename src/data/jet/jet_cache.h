// The tables read from a Jet file, kept as SQLite files in the user's cache folder
// ($XDG_CACHE_HOME/zol5300, else ~/.cache/zol5300) so that a later process does not read
// the Jet file again. One folder per state of a Jet file, named by its identity: device,
// inode, size, modification time and a digest of its header page. The files hold a
// school's payment data: folders 0700, files 0600, and only the last four packages used
// are kept.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace zol {

// The cache cannot be used (no folder, no room, no right to write); the caller reads the
// Jet file into memory instead.
class JetCacheUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kJetCacheVersion = 1;  // raise when the files' layout or contents change
inline constexpr int kJetCacheKeep = 4;     // packages kept

// The cache folder by the environment; nullopt when there is no home either.
std::optional<std::filesystem::path> jet_cache_root();

// The identity of the Jet file as it is now; throws DbError when it cannot be read.
std::string jet_file_key(const std::string& path);

class JetCacheFolder {
  public:
    // The folder of one state of a Jet file, made when missing. Throws JetCacheUnavailable.
    JetCacheFolder(std::filesystem::path root, std::string key);

    const std::string& key() const { return key_; }
    // Where the table (any spelling) is kept.
    std::filesystem::path table_file(const std::string& table) const;
    // True when the file is there, complete, of this version and of this key.
    bool holds(const std::filesystem::path& file) const;
    // A new empty file (0600) under a temporary name. Throws JetCacheUnavailable.
    std::filesystem::path temp_file() const;
    // Stamps a filled temporary file with the key and version and puts it in place.
    // Throws JetCacheUnavailable.
    void seal(const std::filesystem::path& temp, const std::string& table) const;
    // Removes every kept table of this package.
    void discard() const;
    // Marks this package used now and removes all but the most recently used ones.
    void touch_and_prune() const;

  private:
    std::filesystem::path root_;
    std::filesystem::path dir_;
    std::string key_;
};

// `name` of a file in a form SQLite takes as a read-only URI.
std::string read_only_uri(const std::filesystem::path& file);

}  // namespace zol
