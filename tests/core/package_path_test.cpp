#include "core/package_path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/text.h"
#include "support/files.h"

namespace zol {
namespace {

namespace fs = std::filesystem;

class PackagePath : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(base_ / "EXE");
        test::write_file(base_ / "Rpt" / "rep_5300.TXT", "x");
        test::write_file(base_ / "mdb" / "ZOL.mdb", "x");
    }
    const test::TempDir dir_;
    const fs::path base_ = dir_.path();
};

TEST_F(PackagePath, BothSpellingsOfTheReportNameOneFile) {
    const std::string base = base_.string();
    const fs::path a = resolve_package_path(base + "\\rpt\\rep_5300.TXT");
    const fs::path b = resolve_package_path(base + "/RPT/" + "rep_5300.txt");
    EXPECT_EQ(a, base_ / "Rpt" / "rep_5300.TXT");
    EXPECT_EQ(a, b);
    EXPECT_TRUE(fs::exists(a));
}

TEST_F(PackagePath, MissingComponentsKeepTheirSpelling) {
    const std::string base = base_.string();
    EXPECT_EQ(resolve_package_path(base + "\\rpt\\New.Txt"), base_ / "Rpt" / "New.Txt");
    EXPECT_EQ(resolve_package_path(base + "/Nothing/rpt/x"), base_ / "Nothing" / "rpt" / "x");
    EXPECT_EQ(resolve_package_path(base + "\\mdb\\zol.MDB"), base_ / "mdb" / "ZOL.mdb");
    EXPECT_EQ(resolve_package_path(base + "//exe\\\\"), base_ / "EXE");
    EXPECT_EQ(resolve_package_path(base + "/rpt/../MDB/./zol.mdb"),
              base_ / "Rpt" / ".." / "mdb" / "." / "ZOL.mdb");
    // Nothing is looked up below a file.
    EXPECT_EQ(resolve_package_path(base + "/rpt/rep_5300.txt/x"),
              base_ / "Rpt" / "rep_5300.TXT" / "x");
    // The exports' proposed names lie in the report folder as it is spelt on disk.
    EXPECT_EQ(report_export_path(base, ".pdf"), base_ / "Rpt" / "rep_5300.pdf");
    EXPECT_EQ(report_export_path(base + "/Nothing", ".xlsx"), base_ / "Nothing/rpt/rep_5300.xlsx");
    // Rooted by a backslash too; otherwise relative to the working folder.
    EXPECT_EQ(resolve_package_path(cat("\\", base.substr(1), "\\RPT")), base_ / "Rpt");
    const fs::path old = fs::current_path();
    fs::current_path(base_);
    EXPECT_EQ(resolve_package_path("rpt\\x"), fs::path("Rpt") / "x");
    fs::current_path(old);
}

TEST_F(PackagePath, ExactSpellingWinsOverOtherCases) {
    fs::create_directories(base_ / "rpt");  // now both Rpt and rpt exist
    std::ofstream(base_ / "rpt" / "rep_5300.TXT") << "y";
    const std::string base = base_.string();
    EXPECT_EQ(resolve_package_path(base + "/rpt/rep_5300.TXT"), base_ / "rpt" / "rep_5300.TXT");
    EXPECT_EQ(resolve_package_path(base + "/Rpt/rep_5300.TXT"), base_ / "Rpt" / "rep_5300.TXT");
    // Neither spelling given: the first in name order, every time.
    EXPECT_EQ(resolve_package_path(base + "/RPT/rep_5300.txt"), base_ / "Rpt" / "rep_5300.TXT");
}

TEST_F(PackagePath, ProgramFolderFromTheStartPathKeepsLinks) {
    fs::create_symlink("/bin/true", base_ / "EXE" / "Zol5300P1");
    const std::string exe = (base_ / "EXE").string();
    EXPECT_EQ(program_folder_from_argv0(exe + "/Zol5300P1"), exe);
    const fs::path old = fs::current_path();
    fs::current_path(base_);
    EXPECT_EQ(program_folder_from_argv0("./Rpt/../EXE/Zol5300P1"), exe);
    const std::string path = std::getenv("PATH");
    ::setenv("PATH", ("/nowhere:" + exe).c_str(), 1);
    EXPECT_EQ(program_folder_from_argv0("Zol5300P1"), exe);
    EXPECT_EQ(program_folder_from_argv0("rep_5300.TXT"), "");  // not on PATH
    EXPECT_EQ(program_folder_from_argv0(""), "");
    // Without PATH, and for an empty entry of it, the working folder.
    ::unsetenv("PATH");
    fs::current_path(base_ / "EXE");
    EXPECT_EQ(program_folder_from_argv0("Zol5300P1"), exe);
    ::setenv("PATH", path.c_str(), 1);
    fs::current_path(old);
}

TEST(BasePath, DropsTheLastFourCharacters) {
    EXPECT_EQ(base_path_from_folder("/學校/收費/exe"), "/學校/收費");
    EXPECT_EQ(base_path_from_folder("/學校/收費/程式目錄"), "/學校/收費/");
    EXPECT_EQ(base_path_from_folder("/exe"), "");
}

}  // namespace
}  // namespace zol
