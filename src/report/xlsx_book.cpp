#include "report/xlsx_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>

#include "core/big5.h"
#include "core/file_target.h"
#include "report/report_file.h"

namespace zol {

namespace {

// Excel's column width unit is about one digit; a Chinese character takes two.
constexpr int kMinWidth = 6;
constexpr int kMaxWidth = 60;

int style_of(lxw_format* format) {
    return format ? lxw_format_get_xf_index(format) : 0;
}

// The book's cell formats, in the order of XlsxBook's members. The twin that commit() writes
// for the reading back gets the very same.
std::array<lxw_format*, 5> add_formats(lxw_workbook* book) {
    lxw_format* header = workbook_add_format(book);
    format_set_bold(header);
    format_set_bottom(header, LXW_BORDER_THIN);
    lxw_format* amount = workbook_add_format(book);
    format_set_num_format(amount, "#,##0");
    // Taiwan's locale with the "e" year shows the ROC year; the cell keeps the date.
    lxw_format* roc_date = workbook_add_format(book);
    format_set_num_format(roc_date, "[$-404]e/mm/dd");
    lxw_format* two_digits = workbook_add_format(book);
    format_set_num_format(two_digits, "00");
    lxw_format* five_digits = workbook_add_format(book);
    format_set_num_format(five_digits, "00000");
    return {header, amount, roc_date, two_digits, five_digits};
}

// A temporary file removed when the object goes.
struct RemovedFile {
    std::filesystem::path path;
    UniqueFd fd;
    ~RemovedFile() {
        if (!path.empty()) ::unlink(path.c_str());
    }
};

// A workbook with the book's formats taken up in `order` and one empty sheet, beside the
// book: its theme and styles are what the book's must be. The errno of a failure, or 0.
int write_twin(RemovedFile& twin, const std::filesystem::path& beside,
               const std::vector<std::pair<int, std::size_t>>& order) {
    auto temp = temp_beside(beside);
    if (!temp) return errno;
    twin.path = temp->path;
    twin.fd = std::move(temp->fd);
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(own_file_path(twin.fd.get()).c_str(), &options);
    if (!book) return errno != 0 ? errno : EIO;
    const auto formats = add_formats(book);
    for (const auto& [index, which] : order) lxw_format_get_xf_index(formats[which]);
    workbook_add_worksheet(book, nullptr);
    errno = 0;
    if (workbook_close(book) != LXW_NO_ERROR) return errno != 0 ? errno : EIO;
    return 0;
}

}  // namespace

XlsxBook::XlsxBook(std::filesystem::path target) : target_(std::move(target)) {
    if (const std::string refusal = replace_refusal(target_); !refusal.empty()) fail(refusal);
    // Private until it is in place: it holds payment rows.
    auto temp = temp_beside(target_);
    if (!temp) fail(file_error_reason(errno));
    temp_ = temp->path;
    temp_fd_ = std::move(temp->fd);

    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    // Written through this process's own descriptor: libxlsxwriter opens the file by name
    // only when it closes the book, by which time the name may lead elsewhere.
    book_ = workbook_new_opt(own_file_path(temp_fd_.get()).c_str(), &options);
    if (!book_) {
        // The destructor does not run for a constructor that throws.
        ::unlink(temp_.c_str());
        fail("無法建立活頁簿");
    }

    const auto formats = add_formats(book_);
    header = formats[0];
    amount = formats[1];
    roc_date = formats[2];
    two_digits = formats[3];
    five_digits = formats[4];
}

XlsxBook::~XlsxBook() {
    // A workbook never committed is closed only to free it; its file is removed.
    if (book_) workbook_close(book_);
    if (!temp_.empty()) ::unlink(temp_.c_str());
}

std::pair<lxw_worksheet*, std::size_t> XlsxBook::add_sheet(const char* name) {
    lxw_worksheet* sheet = workbook_add_worksheet(book_, name);
    if (!sheet) fail("無法加入工作表");
    tallies_.emplace_back();
    return {sheet, tallies_.size() - 1};
}

void XlsxBook::commit() {
    // The order in which the cells took up the formats, which numbers them in the styles.
    const std::array<const lxw_format*, 5> mine{header, amount, roc_date, two_digits, five_digits};
    std::vector<std::pair<int, std::size_t>> style_order;
    for (std::size_t i = 0; i < mine.size(); ++i) {
        if (mine[i]->xf_index != LXW_PROPERTY_UNSET) style_order.emplace_back(mine[i]->xf_index, i);
    }
    std::sort(style_order.begin(), style_order.end());
    lxw_workbook* book = book_;
    book_ = nullptr;
    errno = 0;
    const lxw_error err = workbook_close(book);
    const int sys_err = errno;
    if (err != LXW_NO_ERROR) {
        // libxlsxwriter's own text is English: its error number stands in for it.
        fail(sys_err != 0
                 ? file_error_reason(sys_err)
                 : "無法產生活頁簿（錯誤碼 " + std::to_string(static_cast<int>(err)) + "）");
    }
    RemovedFile twin;
    if (const int twin_err = write_twin(twin, target_, style_order); twin_err != 0)
        fail(file_error_reason(twin_err));
    if (const std::string problem =
            xlsx_problem(own_file_path(temp_fd_.get()), tallies_, own_file_path(twin.fd.get()));
        !problem.empty())
        fail(problem);
    if (const std::string why = put_in_place(temp_fd_.get(), temp_, target_); !why.empty())
        fail(why);
    temp_.clear();
}

void XlsxBook::fail(const std::string& why) const {
    throw ReportError("無法寫入 Excel 檔：" + target_.string() + "（" + why + "）", target_);
}

XlsxSheet::XlsxSheet(XlsxBook& book, const char* name) : book_(book) {
    std::tie(sheet_, index_) = book.add_sheet(name);
}

void XlsxSheet::widen(int col, int width) {
    const auto c = static_cast<std::size_t>(col);
    if (widths_.size() <= c) widths_.resize(c + 1, kMinWidth);
    widths_[c] = std::max(widths_[c], std::min(width + 2, kMaxWidth));
}

void XlsxSheet::header(const std::vector<std::string>& captions) {
    for (std::size_t c = 0; c < captions.size(); ++c) {
        worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(c), captions[c].c_str(),
                               book_.header);
        tally().text(0, static_cast<std::uint16_t>(c), style_of(book_.header), captions[c]);
        // The autofilter's drop-down button takes about two more characters.
        widen(static_cast<int>(c), display_width(captions[c]) + 2);
    }
}

void XlsxSheet::text(int col, const char* s) {
    if (*s == '\0') return;
    worksheet_write_string(sheet_, row_, static_cast<lxw_col_t>(col), s, nullptr);
    tally().text(row_, static_cast<std::uint16_t>(col), 0, s);
    widen(col, display_width(s));
}

void XlsxSheet::number(int col, double v, lxw_format* format, int shown_width) {
    worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(col), v, format);
    tally().number(row_, static_cast<std::uint16_t>(col), style_of(format), v);
    widen(col, shown_width);
}

void XlsxSheet::amount(int col, std::int64_t v) {
    // "#,##0": the digits, a comma per three, and the sign.
    int digits = 1;
    for (std::int64_t rest = v / 10; rest != 0; rest /= 10) ++digits;
    const int width = digits + (digits - 1) / 3 + (v < 0);
    number(col, static_cast<double>(v), book_.amount, width);
}

void XlsxSheet::date(int col, const DateTime& d) {
    lxw_datetime dt{d.year, d.month, d.day, 0, 0, 0};
    worksheet_write_datetime(sheet_, row_, static_cast<lxw_col_t>(col), &dt, book_.roc_date);
    tally().number(row_, static_cast<std::uint16_t>(col), style_of(book_.roc_date),
                   lxw_datetime_to_excel_datetime(&dt));
    widen(col, 9);
}

void XlsxSheet::finish(bool filter) {
    for (std::size_t c = 0; c < widths_.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        worksheet_set_column(sheet_, col, col, widths_[c], nullptr);
    }
    worksheet_freeze_panes(sheet_, 1, 0);
    if (filter && !widths_.empty()) {
        worksheet_autofilter(sheet_, 0, 0, row_, static_cast<lxw_col_t>(widths_.size() - 1));
    }
    worksheet_set_paper(sheet_, 9);  // A4
    worksheet_set_landscape(sheet_);
    worksheet_fit_to_pages(sheet_, 1, 0);
    worksheet_repeat_rows(sheet_, 0, 0);
}

}  // namespace zol
