// What the first page tells before libmdb may see a file: version, encryption, size.
#include "data/jet/jet_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "data/db_error.h"
#include "data/jet/jet_database.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

const std::string kJetDir = ZOL_TESTDATA_JET;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The header area that Jet masks with RC4, unmasked or masked again (RC4 is symmetric).
void toggle_header_mask(std::string& file) {
    const char key[4] = {'\xc7', '\xda', '\x39', '\x6b'};
    jet_rc4(std::string_view(key, 4), reinterpret_cast<unsigned char*>(file.data() + 0x18), 128);
}

class JetHeader : public ::testing::Test {
  protected:
    void SetUp() override { file_ = read_file(kJetDir + "/testV2000.mdb"); }
    std::string problem() const { return jet_header_problem(file_, file_.size()); }
    std::string file_;
};

TEST_F(JetHeader, RealJet4FilesPass) {
    for (const auto& entry : fs::directory_iterator(kJetDir)) {
        if (entry.path().extension() != ".mdb") continue;
        const std::string f = read_file(entry.path());
        EXPECT_EQ(jet_header_problem(f, f.size()), "") << entry.path();
        EXPECT_TRUE(looks_like_jet(f.substr(0, 100))) << entry.path();
    }
}

TEST_F(JetHeader, Jet3IsNamed) {
    file_[0x14] = 0;
    EXPECT_NE(problem().find("Jet 3"), std::string::npos) << problem();
}

TEST_F(JetHeader, AccdbIsNamed) {
    std::memcpy(file_.data() + 4, "Standard ACE DB", 15);
    file_[0x14] = 2;
    EXPECT_NE(problem().find("ACCDB"), std::string::npos) << problem();
    EXPECT_TRUE(looks_like_jet(file_.substr(0, 100)));
    file_[0x14] = 5;  // later Access versions too
    EXPECT_NE(problem().find("ACCDB"), std::string::npos);
}

TEST_F(JetHeader, EncryptedPagesAreRefused) {
    toggle_header_mask(file_);
    const std::uint32_t key = 0x12345678;
    std::memcpy(file_.data() + 0x3e, &key, 4);
    toggle_header_mask(file_);
    EXPECT_NE(problem().find("加密"), std::string::npos) << problem();
}

TEST_F(JetHeader, APasswordAloneIsNoEncryption) {
    const std::string f = read_file(kJetDir + "/password.mdb");
    EXPECT_EQ(jet_header_problem(f, f.size()), "");
}

TEST_F(JetHeader, TruncatedOrOddSizedFilesAreRefused) {
    EXPECT_NE(jet_header_problem(file_, file_.size() - 100).find("不完整"), std::string::npos);
    EXPECT_NE(jet_header_problem(file_.substr(0, 4096), 8192).find("不完整"), std::string::npos);
    EXPECT_NE(jet_header_problem(file_.substr(0, 30), 30).find("不完整"), std::string::npos);
}

TEST_F(JetHeader, OtherFilesAreNotAccess) {
    EXPECT_NE(jet_header_problem("SQLite format 3", 4096).find("不是 Access"), std::string::npos);
    EXPECT_NE(jet_header_problem("", 0).find("不是 Access"), std::string::npos);
    EXPECT_FALSE(looks_like_jet("SQLite format 3"));
    EXPECT_FALSE(looks_like_jet(""));
    file_[5] = 'X';
    EXPECT_NE(problem().find("不是 Access"), std::string::npos);
}

TEST(JetHeaderFile, MissingFileAndCatalogPage) {
    const std::string missing = ::testing::TempDir() + "/no-such-file.mdb";
    try {
        check_jet_file(missing);
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_EQ(e.path(), missing);
        EXPECT_NE(std::string(e.what()).find(missing), std::string::npos);
    }
    std::string f = read_file(kJetDir + "/testV2000.mdb");
    f[2 * 4096] = 0x01;  // the catalogue's definition page no longer says so
    const std::string path =
        ::testing::TempDir() + "/jet-header-catalog-" + std::to_string(::getpid()) + ".mdb";
    std::ofstream(path, std::ios::binary) << f;
    EXPECT_THROW(check_jet_file(path), DbError);
    fs::remove(path);
    EXPECT_EQ(check_jet_file(kJetDir + "/testV2000.mdb").page_count, 3043328u / 4096);
}

TEST(JetRc4, MatchesTheKnownTestVector) {
    // RFC 6229-style vector: key "Key", plaintext "Plaintext".
    unsigned char text[] = {'P', 'l', 'a', 'i', 'n', 't', 'e', 'x', 't'};
    jet_rc4("Key", text, sizeof text);
    const unsigned char expected[] = {0xBB, 0xF3, 0x16, 0xE8, 0xD9, 0x40, 0xAF, 0x0A, 0xD3};
    EXPECT_EQ(std::memcmp(text, expected, sizeof text), 0);
}

}  // namespace
}  // namespace zol
