#include "report/report_writer.h"

#include <string>

#include "core/text.h"
#include "report/class_group.h"
#include "report/detail_line.h"
#include "report/field_values.h"
#include "report/page_layout.h"
#include "report/report_file.h"
#include "report/report_output.h"
#include "report/writer_state.h"

namespace zol {

namespace {

constexpr std::string_view kIndent = "    ";

void indented(ReportOutput& out, const std::string& line) {
    std::string text(kIndent);
    text += line;
    out.text(text);
}

void underscore_line(ReportOutput& out) {
    indented(out, std::string(159, '_'));
}

void fill_page(ReportOutput& out, WriterState& s) {
    for (int i = s.line_no; i < kPageLines; ++i) out.empty_line();
}

void write_page_totals(ReportOutput& out, const WriterState& s) {
    indented(out, page_totals_line(s));
    if (s.has_second_line()) indented(out, totals_second_line(s, s.page_sums));
}

// Page overflow: the page closes and the next page's header follows.
void close_page(ReportOutput& out, WriterState& s) {
    out.empty_line();
    underscore_line(out);
    if (!s.merged) write_page_totals(out, s);
    ++s.page_no;
    out.control(kFormFeedLine);
}

void start_page(ReportOutput& out, WriterState& s, int r) {
    write_page_header(out, s, r);
    s.page_sums.fill(0);
    s.page_count = 0;
    s.page_fee_sum = 0;
    s.page_total_sum = 0;
    s.line_no = 1;
}

void add_cells(WriterState& s, int r, int from, int to) {
    const auto& cells = s.item_table[static_cast<std::size_t>(r)];
    for (int k = from; k <= to; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        const std::int64_t v = whole_number(std::string_view(cells[uk]));
        accumulate(s.item_info[uk].sum, v);
        accumulate(s.page_sums[uk], v);
    }
}

void write_student(ReportOutput& out, WriterState& s, int r) {
    ++s.line_no;
    if (s.line_no > kPageLines) {
        close_page(out, s);
        s.line_no = 1;
    }
    if (s.line_no == 1) start_page(out, s, r);

    ++s.page_count;
    indented(out, detail_line(s, r));
    const auto& row = s.row_table[static_cast<std::size_t>(r)];
    const std::int64_t fee = whole_number(std::string_view(row[kFee]));
    accumulate(s.class_fee_sum, fee);
    accumulate(s.page_fee_sum, fee);
    add_cells(s, r, 1, s.first_line_columns());
    if (s.has_second_line()) {
        indented(out, detail_second_line(s, r));
        add_cells(s, r, kFirstLineColumns + 1, s.item_count);
        ++s.line_no;
    }
    const std::int64_t total = whole_number(std::string_view(row[kTotal]));
    accumulate(s.class_total_sum, total);
    accumulate(s.page_total_sum, total);
    accumulate(s.report_total_sum, total);
    ++s.report_count;
}

// Writes the class group just read; more_rows tells whether another group follows.
void write_class_group(ReportOutput& out, WriterState& s, bool more_rows) {
    if (!s.merged) {
        ++s.page_no;
        s.class_fee_sum = 0;
        s.line_no = 0;
    }
    s.class_total_sum = 0;
    for (int r = 1; r <= s.row_count; ++r) write_student(out, s, r);

    if (!s.merged) fill_page(out, s);
    out.empty_line();
    if (!s.merged) {
        out.empty_line();
        underscore_line(out);
        write_page_totals(out, s);
    }
    if (more_rows && s.merged) {
        out.empty_line();
        ++s.line_no;
        return;
    }
    if (s.merged) {
        fill_page(out, s);
        out.empty_line();
        underscore_line(out);
        s.line_no = 0;
        indented(out, report_totals_line(s));
    } else {
        indented(out, class_totals_line(s));
    }
    if (s.has_second_line()) indented(out, totals_second_line(s, item_info_sums(s)));
    out.control(kFormFeedLine);
}

}  // namespace

int print_date(RowSource& detail, ResultSet& items, const WriterOptions& options,
               const ProgressFn& progress) {
    if (detail.eof()) {
        throw ReportError("沒有資料可寫入報表：" + options.output_path.string(),
                          options.output_path);
    }
    WriterState s;
    s.merged = options.merged;
    s.print_date = roc_print_date(options.print_date);
    s.row_table.assign(1, {});
    s.row_names.assign(1, {});
    s.item_table.assign(1, {});
    if (s.merged) s.page_no = 1;

    ReportOutput out(options.output_path);
    ClassGroupReader reader(detail, items);
    while (!detail.eof()) {
        reader.read(s);
        write_class_group(out, s, !detail.eof());
        if (progress) {
            progress(Progress{"寫入報表 " + options.output_path.filename().string(),
                              static_cast<std::uint64_t>(s.report_count), 0, 0});
        }
    }
    auto written = out.commit();
    if (options.written) *options.written = std::move(written);
    return s.page_no;
}

}  // namespace zol
