// What the first page of an Access file says, checked before libmdb ever sees the file:
// libmdb trusts its input, so everything that can be told from the header is told here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zol {

constexpr std::size_t kJet4PageSize = 4096;
constexpr std::uint64_t kJet4MaxSize = std::uint64_t{2} << 30;

// The first bytes of an Access file: a fixed magic, then the engine's name from byte 4.
inline constexpr std::string_view kJetMagic("\x00\x01\x00\x00", 4);
inline constexpr std::string_view kJetEngineName("Standard Jet DB\0", 16);
inline constexpr std::string_view kAceEngineName("Standard ACE DB\0", 16);
inline constexpr std::size_t kEngineNameOffset = kJetMagic.size();

struct JetFileFacts {
    std::uint64_t size = 0;        // bytes
    std::uint64_t page_count = 0;  // size / kJet4PageSize
};

// Checks the header page and the size of a Jet 4 file. Throws DbError naming the file and
// the reason: missing, not an Access file, Jet 3, ACCDB, encrypted pages, truncated, or a
// system catalogue page that is not where Jet 4 keeps it.
JetFileFacts check_jet_file(const std::string& path);
// The same of the file open at `fd`, named `path` in messages.
JetFileFacts check_jet_file(int fd, const std::string& path);

// The same checks on a header already read (`first_page` is the file's first bytes, up to
// one page; `size` the file's size); returns the reason text, empty when the file passes.
std::string jet_header_problem(std::string_view first_page, std::uint64_t size);

// The RC4 stream cipher that Jet uses to mask part of the header and, in encrypted files,
// every page.
void jet_rc4(std::string_view key, unsigned char* data, std::size_t size);

}  // namespace zol
