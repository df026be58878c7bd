// Header and size checks of Jet 4 files.
#include "data/jet/jet_header.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

#include "core/errno_text.h"
#include "core/io_loop.h"
#include "core/unique_fd.h"
#include "data/database_file.h"
#include "data/db_error.h"

namespace zol {

namespace {

constexpr std::size_t kVersionOffset = 0x14;
constexpr std::size_t kMaskedOffset = 0x18;  // start of the RC4-masked header area
constexpr std::size_t kMaskedSize = 128;     // its length in Jet 4
constexpr std::size_t kDbKeyOffset = 0x3e;   // page encryption key, 0 when pages are plain
constexpr std::uint32_t kHeaderKey = 0x6b39dac7;

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

void jet_rc4(std::string_view key, unsigned char* data, std::size_t size) {
    std::array<unsigned char, 256> s{};
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + s[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xff;
        std::swap(s[i], s[j]);
    }
    unsigned a = 0;
    j = 0;
    for (std::size_t n = 0; n < size; ++n) {
        a = (a + 1) & 0xff;
        j = (j + s[a]) & 0xff;
        std::swap(s[a], s[j]);
        data[n] ^= s[(s[a] + s[j]) & 0xff];
    }
}

std::string jet_header_problem(std::string_view first_page, std::uint64_t size) {
    if (first_page.size() < kVersionOffset + 4 || !first_page.starts_with(kJetMagic)) {
        return "不是 Access 資料庫檔案";
    }
    const std::string_view name = first_page.substr(kEngineNameOffset, kJetEngineName.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(first_page.data());
    const std::uint32_t version = le32(bytes + kVersionOffset);
    if (name == kAceEngineName || (name == kJetEngineName && version >= 2 && version <= 0xff)) {
        return "此檔案為 Access 2007 以後的 ACCDB 格式，本程式只能讀取 Access 2000 (Jet 4) "
               "格式的資料庫";
    }
    if (name != kJetEngineName) return "不是 Access 資料庫檔案";
    if (version == 0) {
        return "此檔案為 Access 97 (Jet 3) 格式，本程式只能讀取 Access 2000 (Jet 4) 格式的資料庫";
    }
    if (version != 1) return "無法辨識的 Access 資料庫版本";
    if (size < 3 * kJet4PageSize || first_page.size() < kJet4PageSize) {
        return "檔案不完整（長度不足），資料庫可能已損毀";
    }
    if (size % kJet4PageSize != 0) {
        return "檔案長度不是資料頁 (" + std::to_string(kJet4PageSize) +
               " 位元組) 的整數倍，檔案不完整或已損毀";
    }
    // Jet 4 addresses no more than 2 GB: a larger file is none, and would only fill the disk
    // with its copy.
    if (size > kJet4MaxSize) return "檔案大於 Access 資料庫的上限 (2 GB)，不是 Access 資料庫檔案";
    std::array<unsigned char, kMaskedSize> masked{};
    std::memcpy(masked.data(), bytes + kMaskedOffset, kMaskedSize);
    const unsigned char key[4] = {kHeaderKey & 0xff, (kHeaderKey >> 8) & 0xff,
                                  (kHeaderKey >> 16) & 0xff, kHeaderKey >> 24};
    jet_rc4(std::string_view(reinterpret_cast<const char*>(key), 4), masked.data(), masked.size());
    if (le32(masked.data() + (kDbKeyOffset - kMaskedOffset)) != 0) {
        return "此資料庫已加密（資料頁以 RC4 編碼），無法讀取；請先以 Access 解除資料庫加密";
    }
    return {};
}

JetFileFacts check_jet_file(const std::string& path) {
    return check_jet_file(open_database_file(path, nullptr).get(), path);
}

JetFileFacts check_jet_file(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) throw DbError(path, cannot_read_database(errno));
    const auto size = static_cast<std::uint64_t>(st.st_size);
    // The header page, and the first byte of page 2: on a share every byte read costs.
    std::string head(kJet4PageSize, '\0');
    const ssize_t got = read_full_at(fd, head.data(), head.size(), 0);
    if (got < 0) throw DbError(path, cannot_read_database(errno));
    head.resize(static_cast<std::size_t>(got));
    if (std::string problem = jet_header_problem(head, size); !problem.empty()) {
        throw DbError(path, problem);
    }
    // Page 2 holds the definition of the system catalogue in every Jet 4 file.
    char catalogue_type = 0;
    const ssize_t n = read_at(fd, &catalogue_type, 1, 2 * kJet4PageSize);
    if (n < 0) throw DbError(path, cannot_read_database(errno));
    if (n != 1 || catalogue_type != 0x02) {
        throw DbError(path, "資料庫檔案已損毀（系統目錄的定義頁不正確）");
    }
    return {size, size / kJet4PageSize};
}

}  // namespace zol
