// A workbook written with libxlsxwriter in constant-memory mode: rows go to disk as they
// are written, so a large report needs no more memory than a small one. The workbook is
// written under a temporary name beside the target; only commit() puts it in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/date.h"
#include "core/unique_fd.h"
#include "report/xlsx_verify.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace zol {

class XlsxSheet;

class XlsxBook {
  public:
    // Reserves the temporary file; throws ReportError naming the target when the folder
    // does not take a new file.
    explicit XlsxBook(std::filesystem::path target);
    ~XlsxBook();
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    // The new sheet and the number by which tally() finds its cells.
    std::pair<lxw_worksheet*, std::size_t> add_sheet(const char* name);
    CellTally& tally(std::size_t sheet) { return tallies_[sheet]; }

    // Writes the file, reads it back and renames it over the target; throws ReportError.
    void commit();

    // Cell formats shared by the sheets.
    lxw_format* header = nullptr;
    lxw_format* amount = nullptr;    // #,##0
    lxw_format* roc_date = nullptr;  // shown as 115/02/24, kept as a date
    lxw_format* two_digits = nullptr;
    lxw_format* five_digits = nullptr;

  private:
    [[noreturn]] void fail(const std::string& why) const;

    std::filesystem::path target_;
    std::filesystem::path temp_;
    UniqueFd temp_fd_;  // held (locked) while the workbook is written
    lxw_workbook* book_ = nullptr;
    std::vector<CellTally> tallies_;  // what each sheet was given, for the reading back
};

// One sheet filled row by row from the top, as constant-memory mode requires. It keeps
// the widest text of every column so that finish() can fit the column widths.
class XlsxSheet {
  public:
    XlsxSheet(XlsxBook& book, const char* name);

    // Row 0: the captions in bold.
    void header(const std::vector<std::string>& captions);
    // Starts the next row; the cell calls below write into it.
    void next_row() { ++row_; }
    // Text of a C string: the caller's own, passed on without a copy. Empty text leaves
    // the cell empty.
    void text(int col, const char* s);
    void text(int col, const std::string& s) { text(col, s.c_str()); }
    void number(int col, double v, lxw_format* format, int shown_width);
    void amount(int col, std::int64_t v);
    void date(int col, const DateTime& d);

    std::uint32_t last_row() const { return row_; }

    // Column widths, the frozen header row, and the page set-up: A4 landscape, one page
    // wide, the header row repeated on every printed page. `filter` adds an autofilter.
    void finish(bool filter);

  private:
    void widen(int col, int width);
    CellTally& tally() { return book_.tally(index_); }

    XlsxBook& book_;
    lxw_worksheet* sheet_ = nullptr;
    std::size_t index_ = 0;
    std::uint32_t row_ = 0;
    std::vector<int> widths_;
};

}  // namespace zol
