// The accounts of the web front end: a file of "name:hash" lines, the hashes yescrypt's, kept
// private (0600) and replaced whole by rename so a reader never sees half a file.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zol::web {

// Letters, digits, ".", "_" and "-", 1 to 32 of them, not starting with "." or "-": such a
// name never breaks a line of the file, a log line or a page.
bool valid_user_name(std::string_view name);

// Why `name` is refused, for the user; empty when it is fine.
std::string user_name_refusal(std::string_view name);

// A yescrypt hash of `password` with a fresh salt; throws std::runtime_error (in words for
// the user) when the C library cannot make one.
std::string hash_password(std::string_view password);

// Whether `password` gives `hash`; a hash of another kind, or none, never matches.
bool password_matches(std::string_view password, const std::string& hash);

struct Account {
    std::string name;
    std::string hash;
};
using Accounts = std::vector<Account>;

// The file `path`: opened only as a regular file (never through a link), refused when other
// accounts may read or change it. Throws std::runtime_error naming the file and the line.
Accounts read_accounts(const std::filesystem::path& path);

// Writes `accounts` to `path` (0600), its folder made private when missing. The reason it
// failed, or empty.
std::string write_accounts(const std::filesystem::path& path, const Accounts& accounts);

// /etc/zol5300/serve-users for root; $XDG_CONFIG_HOME/zol5300/serve-users (else
// ~/.config/...) for anyone else.
std::filesystem::path default_accounts_path();

}  // namespace zol::web
