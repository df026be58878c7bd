#include "report/page_layout.h"

#include "core/big5.h"
#include "core/grade.h"
#include "core/numbers.h"
#include "core/text.h"
#include "report/report_columns.h"
#include "report/report_file.h"

namespace zol {

namespace {

constexpr std::string_view kIndent = "    ";
constexpr std::string_view kTitle = "郵政轉帳\\臨櫃明細表";

std::string thousands(std::int64_t v) {
    return format_thousands(static_cast<double>(v));
}

std::string totals_line(const WriterState& s, std::string_view count_label, std::int64_t count,
                        std::string_view sum_label, std::int64_t fee_sum,
                        const std::array<std::int64_t, kMaxItemColumns + 1>& sums,
                        std::int64_t total_sum) {
    const std::string count_text = std::to_string(count);
    // The labels and the count fill what the fee sum leaves before the items.
    const int count_area =
        kTotalsItemsAt - kFeeSumWidth - display_width(count_label) - display_width(sum_label);
    std::string out(count_label);
    out += count_text;
    out += blanks(count_area - static_cast<int>(count_text.size()));
    out += sum_label;
    append_right(out, thousands(fee_sum), kFeeSumWidth);
    for (int k = 1; k <= s.first_line_columns(); ++k) {
        append_right(out, thousands(sums[static_cast<std::size_t>(k)]), kItemWidth);
    }
    append_right(out, thousands(total_sum), kTotalWidth);
    return out;
}

}  // namespace

std::string grade_numeral(std::string_view code) {
    const Grade* g = grade_of(code);
    return g ? std::string(g->numeral) : "  ";
}

std::string class_text(const WriterState& s, int r) {
    const auto& row = s.row_table[static_cast<std::size_t>(r)];
    const auto& names = s.row_names[static_cast<std::size_t>(r)];
    std::string out = grade_numeral(row[kGradeCode]);
    if (!names[0].empty()) out += "(" + names[0] + ")";
    out += " 年 ";
    out += row[kClass];
    if (!names[1].empty()) out += "(" + names[1] + ")";
    out += " 班 ";
    return out;
}

std::pair<std::string, std::string> header_cells(std::string_view name, int width) {
    const std::string first4 = utf8_left(name, 4);
    const int first4_width = display_width(first4);
    // A name the cell cannot hold goes on two lines, its rest under it two columns in.
    if (width >= kItemWidth - 1) {
        const std::string rest = utf8_mid(name, 5, 3);
        return {first4 + blanks(kItemWidth - first4_width),
                "  " + rest + blanks(kItemWidth - 2 - display_width(rest))};
    }
    return {blanks(kItemWidth - 2 - width) + first4 + blanks(width + 2 - first4_width),
            blanks(kItemWidth)};
}

void write_page_header(ReportOutput& out, const WriterState& s, int r) {
    out.control(kTitleSpacingLine);
    out.control(font_line(7));
    out.control(font_line(9));
    out.text(blanks(38) + std::string(kTitle));
    out.control(font_line(4));

    std::string line(kIndent);
    if (s.merged) {
        line += blanks(38);
    } else {
        const std::string cls = class_text(s, r);
        line += cls;
        line += blanks(38 - display_width(cls));
    }
    line += kDateTitle;
    line += ": ";
    line += s.header_date;
    line += "    ";
    line += " ";
    line += kGroupTitle;
    line += "： ";
    line += s.group_name;
    out.text(line);

    out.control(font_line(2));
    out.control(kBodySpacingLine);
    out.control(font_line(0));
    out.text(std::string(kIndent) + "Zol5300  " + blanks(120) + "日期: " + s.print_date);

    std::pair<std::string, std::string> cells[kMaxItemColumns + 1];
    for (int k = 1; k <= s.item_count; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        cells[uk] = header_cells(s.item_table[0][uk], s.item_info[uk].width);
    }
    std::string first(kIndent);
    first += lead_caption();
    const int items_at = static_cast<int>(kIndent.size()) + kItemsAt;
    std::string second = blanks(items_at);
    for (int k = 1; k <= s.first_line_columns(); ++k) {
        first += cells[k].first;
        second += cells[k].second;
    }
    first += kTotalTitle;
    first += kDebitGap;
    first += kDebitTitle;
    out.text(first);
    out.text(second);
    if (s.has_second_line()) {
        std::string third = blanks(items_at);
        std::string fourth = blanks(static_cast<int>(kIndent.size()) + kSecondItemsAt);
        for (int k = kFirstLineColumns + 1; k <= s.item_count; ++k) {
            third += cells[k].first;
            fourth += cells[k].second;
        }
        out.text(third);
        out.text(fourth);
    }
    out.text(std::string(kIndent) + std::string(155, '_'));
}

std::array<std::int64_t, kMaxItemColumns + 1> item_info_sums(const WriterState& s) {
    std::array<std::int64_t, kMaxItemColumns + 1> sums{};
    for (std::size_t k = 0; k < sums.size(); ++k) sums[k] = s.item_info[k].sum;
    return sums;
}

std::string page_totals_line(const WriterState& s) {
    return totals_line(s, "筆數:", s.page_count, "加總:", s.page_fee_sum, s.page_sums,
                       s.page_total_sum);
}

std::string class_totals_line(const WriterState& s) {
    return totals_line(s, "班總筆數:", s.row_count, "班加總:", s.class_fee_sum, item_info_sums(s),
                       s.class_total_sum);
}

std::string report_totals_line(const WriterState& s) {
    return totals_line(s, "全部筆數:", s.report_count, "全加總:", s.class_fee_sum,
                       item_info_sums(s), s.report_total_sum);
}

std::string totals_second_line(const WriterState& s,
                               const std::array<std::int64_t, kMaxItemColumns + 1>& sums) {
    std::string out = blanks(kSecondItemsAt);
    for (int k = kFirstLineColumns + 1; k <= s.item_count; ++k) {
        append_right(out, thousands(sums[static_cast<std::size_t>(k)]), kItemWidth);
    }
    return out;
}

}  // namespace zol
