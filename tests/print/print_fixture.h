// Report files for the printing tests, and the PDF tools that look at what was printed.
#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <filesystem>
#include <string>
#include <vector>

#include "support/files.h"

namespace zol::test {

// A package directory with its rpt folder, removed with the object.
class PackageDir {
  public:
    PackageDir() { std::filesystem::create_directories(dir_ / "rpt"); }

    const std::filesystem::path& base() const { return dir_.path(); }
    // Writes the report file as the writer names it: base/rpt/rep_5300.TXT.
    std::filesystem::path write_report(const std::string& big5_bytes) const;
    std::filesystem::path report() const { return dir_ / "rpt" / "rep_5300.TXT"; }
    std::filesystem::path file(const std::string& name) const { return dir_ / name; }

  private:
    TempDir dir_{"zol_print_"};
};

// Runs a program; its standard output (standard error is dropped). Fails the test on a
// non-zero exit.
std::string run_tool(const QString& program, const QStringList& args);

// The text lines of one raw page of a report file, each with the font size (points) that the
// page's FS W lines set for it (10 until one does) and the top of the line on the sheet: a
// line moves the next one down by two line heights (2 x size) less the pull-back of the FS 3
// lines (twips).
struct PrintedLine {
    std::string text;  // UTF-8, without CR LF and trailing blanks
    double points = 10;
    double top = 0;  // points from the top of the printable area
};
std::vector<PrintedLine> printed_lines(const std::filesystem::path& report, int page);

// The words of a line with the print column (from 0) each starts at.
std::vector<std::pair<std::string, int>> word_columns(const std::string& utf8);

// `pdftotext -layout` of one page, as lines without trailing blanks; trailing empty lines
// dropped.
std::vector<std::string> pdf_page_lines(const std::filesystem::path& pdf, int page);
// A word of a PDF page with its box in points from the page's top left (pdftotext -bbox).
struct Box {
    double x0, y0, x1, y1;
    std::string word;
};
// The words of every page of a PDF.
std::vector<std::vector<Box>> word_boxes(const std::filesystem::path& pdf);

// Splits UTF-8 text into lines at LF, removing CR and trailing blanks.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace zol::test
