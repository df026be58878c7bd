#include "report/detail_line.h"

#include "core/big5.h"
#include "core/numbers.h"
#include "core/text.h"

namespace zol {

namespace {

void append_item_cells(std::string& out, const WriterState& s, int r, int from, int to) {
    const auto& cells = s.item_table[static_cast<std::size_t>(r)];
    for (int k = from; k <= to; ++k) {
        append_right(out, format_thousands(std::string_view(cells[static_cast<std::size_t>(k)])),
                     10);
    }
}

}  // namespace

std::string grade_label(std::string_view code) {
    if (code.size() == 1 && code[0] >= '1' && code[0] <= '9') {
        return " " + std::string(code) + "   ";
    }
    if (code == "10" || code == "11" || code == "12") return " " + std::string(code) + "  ";
    if (code == "13") return "幼小 ";
    if (code == "14") return "幼中 ";
    if (code == "15") return "幼大 ";
    std::string label = " " + std::string(code);
    return label + blanks(5 - static_cast<int>(label.size()));
}

std::string detail_line(const WriterState& s, int r) {
    const auto& row = s.row_table[static_cast<std::size_t>(r)];
    std::string out;
    out.reserve(200);
    out += grade_label(row[kGradeCode]);
    out += row[kClass];
    out += blanks(5 - static_cast<int>(utf8_length(row[kClass])));
    out += row[kSeat];
    out += ' ';
    out += row[kMarkAndName];
    const int name_width = display_width(row[kMarkAndName]);
    if (trim(row[kSerial]).empty()) {
        out += blanks(21 - name_width);
    } else {
        out += blanks(15 - name_width);
        out += zero_pad(std::string_view(row[kSerial]), 5);
    }
    out += blanks(10 - display_width(row[kMethodLabel]));
    out += row[kMethodLabel];
    out += blanks(8 - static_cast<int>(utf8_length(row[kFee])));
    out += row[kFee];
    append_item_cells(out, s, r, 1, s.first_line_columns());
    append_right(out, format_thousands(std::string_view(row[kTotal])), 12);
    out += "  ";
    out += row[kDebitDate];
    return out;
}

std::string detail_second_line(const WriterState& s, int r) {
    std::string out = blanks(50);
    append_item_cells(out, s, r, kFirstLineColumns + 1, s.item_count);
    return out;
}

}  // namespace zol
