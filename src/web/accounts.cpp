#include "web/accounts.h"

#include <crypt.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "core/errno_text.h"
#include "core/file_target.h"
#include "core/io_loop.h"
#include "core/safe_open.h"
#include "core/text.h"

namespace zol::web {

namespace {

constexpr std::size_t kMaxNameLength = 32;
// A users file of a school office holds a handful of lines; anything far larger is not one.
constexpr off_t kMaxFileSize = 1 << 20;

bool name_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-';
}

bool valid_hash(std::string_view hash) {
    return hash.starts_with("$y$") && hash.find_first_of(":\n\r") == std::string_view::npos;
}

}  // namespace

bool valid_user_name(std::string_view name) {
    return user_name_refusal(name).empty();
}

std::string user_name_refusal(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return "帳號名稱須為 1 到 32 個字元";
    for (const char c : name)
        if (!name_char(c)) return "帳號名稱只能用英文字母、數字、「.」、「_」與「-」";
    if (name.front() == '.' || name.front() == '-') return "帳號名稱不可以「.」或「-」開頭";
    return {};
}

std::string hash_password(std::string_view password) {
    char setting[CRYPT_GENSALT_OUTPUT_SIZE];
    // No random bytes passed: libxcrypt draws the salt from the kernel itself.
    if (!::crypt_gensalt_rn("$y$", 0, nullptr, 0, setting, sizeof setting))
        throw std::runtime_error(cat("無法產生密碼雜湊：", errno_text(errno)));
    const std::string phrase(password);
    auto data = std::make_unique<crypt_data>();
    const char* hash = ::crypt_rn(phrase.c_str(), setting, data.get(), sizeof *data);
    if (!hash || hash[0] == '*')
        throw std::runtime_error(cat("無法產生密碼雜湊：", errno_text(errno)));
    return hash;
}

bool password_matches(std::string_view password, const std::string& hash) {
    if (!valid_hash(hash)) return false;
    const std::string phrase(password);
    auto data = std::make_unique<crypt_data>();
    const char* got = ::crypt_rn(phrase.c_str(), hash.c_str(), data.get(), sizeof *data);
    if (!got || std::string_view(got).size() != hash.size()) return false;
    // Every byte compared, so the time taken tells nothing of where they differ.
    unsigned char diff = 0;
    for (std::size_t i = 0; i < hash.size(); ++i)
        diff |= static_cast<unsigned char>(got[i] ^ hash[i]);
    return diff == 0;
}

Accounts read_accounts(const std::filesystem::path& path) {
    const std::string file = path.string();
    const UniqueFd fd = open_regular(path, O_RDONLY);
    if (!fd) throw std::runtime_error(cat("無法開啟帳號檔 ", file, "：", errno_text(errno)));
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0)
        throw std::runtime_error(cat("無法讀取帳號檔 ", file, "：", errno_text(errno)));
    if ((st.st_mode & 077) != 0 || st.st_uid != ::geteuid())
        throw std::runtime_error(
            cat("帳號檔 ", file, " 須屬於本帳號且只有本帳號能讀寫（chmod 600）"));
    if (st.st_size > kMaxFileSize) throw std::runtime_error(cat("帳號檔 ", file, " 太大"));
    std::string text(static_cast<std::size_t>(st.st_size), '\0');
    const ssize_t got = read_full_at(fd.get(), text.data(), text.size(), 0);
    if (got < 0) throw std::runtime_error(cat("無法讀取帳號檔 ", file, "：", errno_text(errno)));
    text.resize(static_cast<std::size_t>(got));

    Accounts accounts;
    std::size_t line_no = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t end = std::min(text.find('\n', pos), text.size());
        const std::string_view line(text.data() + pos, end - pos);
        pos = end + 1;
        ++line_no;
        if (line.empty()) continue;
        const std::size_t colon = line.find(':');
        const std::string_view name = line.substr(0, colon);
        if (colon == std::string_view::npos || !valid_user_name(name) ||
            !valid_hash(line.substr(colon + 1)))
            throw std::runtime_error(
                cat("帳號檔 ", file, " 第 ", std::to_string(line_no), " 行的格式不對"));
        accounts.push_back({std::string(name), std::string(line.substr(colon + 1))});
    }
    return accounts;
}

std::string write_accounts(const std::filesystem::path& path, const Accounts& accounts) {
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::error_code ec;
    if (!std::filesystem::exists(folder, ec))
        if (std::string why = make_private_folder(folder); !why.empty()) return why;
    // The replacement takes the mode of the file it replaces: an old file is made private
    // first, and a first one is made empty and private so the written one is never readable.
    const UniqueFd old = open_regular(path, O_RDONLY | O_CREAT, 0600);
    if (!old || ::fchmod(old.get(), 0600) != 0) return file_error_reason(errno);
    auto temp = temp_beside(path);
    if (!temp) return file_error_reason(errno);
    std::string text;
    for (const Account& a : accounts) text += cat(a.name, ":", a.hash, "\n");
    if (!write_all(temp->fd.get(), text.data(), text.size())) {
        const int err = errno;
        ::unlink(temp->path.c_str());
        return file_error_reason(err);
    }
    std::string why = put_in_place(temp->fd.get(), temp->path, path);
    if (!why.empty()) ::unlink(temp->path.c_str());
    return why;
}

std::filesystem::path default_accounts_path() {
    if (::geteuid() == 0) return "/etc/zol5300/serve-users";
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::filesystem::path(config) / "zol5300/serve-users";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".config/zol5300/serve-users";
}

}  // namespace zol::web
