// The tables read from a Jet file, kept as SQLite files in the user's cache folder
// ($XDG_CACHE_HOME/zol5300, else ~/.cache/zol5300) so that a later process does not read
// the Jet file again. One folder per content of a Jet file, named by the digest of all its
// bytes, so that a copy is only ever served for the very bytes it was read from. Each
// table file carries the digest of its own bytes in its name and is checked against it
// before it is used. The files hold a school's payment data: folders 0700, files 0600, and
// only the last four packages used are kept; a folder in use by a running process (it
// holds a shared lock on the folder's lock file) is never removed.
#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/unique_fd.h"
#include "data/jet/file_digest.h"

namespace zol {

// The cache cannot be used (no folder, no room, no right to write, removed underneath); the
// caller reads the Jet file into memory instead.
class JetCacheUnavailable : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kJetCacheVersion = 2;  // raise when the files' layout or contents change
inline constexpr int kJetCacheKeep = 4;     // packages kept

// The cache folder by the environment; nullopt when there is no home either.
std::optional<std::filesystem::path> jet_cache_root();

// A file being filled under a temporary name. It is locked from before it carries its
// temporary name until it is sealed or removed, so a later process can tell the temporary
// file of a dead run (no lock) from one being filled (removed only in the first case).
class JetCacheFill {
  public:
    JetCacheFill(std::filesystem::path path, UniqueFd locked)
        : path_(std::move(path)), fd_(std::move(locked)) {}
    JetCacheFill(JetCacheFill&&) noexcept;
    JetCacheFill& operator=(JetCacheFill&&) = delete;
    ~JetCacheFill();
    const std::filesystem::path& path() const { return path_; }
    // Taken over by the sealed file: nothing to remove any more.
    void release();

  private:
    std::filesystem::path path_;
    UniqueFd fd_;
};

// The cached table files this process has found whole, by their stamps: one found whole and
// not written since (its stamp tells, as for the Jet file) is not read again.
class WholeTableFiles {
  public:
    bool has(const FileStamp& stamp) const;
    void add(const FileStamp& stamp) { stamps_.push_back(stamp); }

  private:
    std::vector<FileStamp> stamps_;
};

class JetCacheFolder {
  public:
    // The folder of the Jet content `content`, made when missing, held while this object
    // lives. Temporary files that dead runs left there are removed. Throws
    // JetCacheUnavailable.
    JetCacheFolder(std::filesystem::path root, const Digest& content);
    JetCacheFolder(const JetCacheFolder&) = delete;
    JetCacheFolder& operator=(const JetCacheFolder&) = delete;

    // The cached table file of the table (any spelling) whose bytes match the digest in its name
    // and whose own record names this folder's content and this table; nullopt when there is none.
    // A file that does not match is removed. A file in `whole` is not read again; one found whole
    // now is added there, and its state recorded in the folder.
    std::optional<std::filesystem::path> find(const std::string& table, WholeTableFiles& whole);
    // A new empty file (0600) under a temporary name. Throws JetCacheUnavailable.
    JetCacheFill temp_file() const;
    // Stamps a filled temporary file with the folder's content digest and version, names it
    // by the digest of its bytes and puts it in place; returns where. Throws
    // JetCacheUnavailable.
    std::filesystem::path seal(JetCacheFill& fill, const std::string& table) const;
    // Removes every kept table of this package.
    void discard() const;
    // Marks this package used now and removes all but the most recently used ones that no
    // running process holds.
    void touch_and_prune() const;

  private:
    std::string table_stem(const std::string& table) const;

    std::filesystem::path root_;
    std::filesystem::path dir_;
    std::string key_;
    UniqueFd lock_;
};

// `name` of a file in a form SQLite takes as a read-only URI.
std::string read_only_uri(const std::filesystem::path& file);

}  // namespace zol
