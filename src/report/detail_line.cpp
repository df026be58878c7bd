#include "report/detail_line.h"

#include "core/big5.h"
#include "core/grade.h"
#include "core/numbers.h"
#include "core/text.h"
#include "report/report_columns.h"

namespace zol {

namespace {

void append_item_cells(std::string& out, const WriterState& s, int r, int from, int to) {
    const auto& cells = s.item_table[static_cast<std::size_t>(r)];
    for (int k = from; k <= to; ++k) {
        append_right(out, format_thousands(std::string_view(cells[static_cast<std::size_t>(k)])),
                     kItemWidth);
    }
}

}  // namespace

std::string grade_label(std::string_view code) {
    if (const std::string_view name = kindergarten_name(code); !name.empty()) {
        return cat(name, " ");
    }
    // A blank, then the code left-aligned in the other four columns (a longer code whole).
    const int width = kLeadColumns[kGradeColumn].width;
    return cat(" ", code, blanks(width - 1 - static_cast<int>(code.size())));
}

std::string detail_line(const WriterState& s, int r) {
    const auto& row = s.row_table[static_cast<std::size_t>(r)];
    const auto width = [](LeadColumnIndex c) { return kLeadColumns[c].width; };
    std::string out;
    out.reserve(200);
    out += grade_label(row[kGradeCode]);
    out += row[kClass];
    out += blanks(width(kClassColumn) - static_cast<int>(utf8_length(row[kClass])));
    out += row[kSeat];
    out += blanks(width(kSeatColumn) - kSeatDigits);
    out += row[kMarkAndName];
    const int name_width = display_width(row[kMarkAndName]);
    if (trim(row[kSerial]).empty()) {
        out += blanks(width(kNameColumn) + width(kSerialColumn) - name_width);
    } else {
        out += blanks(width(kNameColumn) - name_width);
        out += zero_pad(std::string_view(row[kSerial]), kSerialDigits);
    }
    out += blanks(width(kMethodColumn) - display_width(row[kMethodLabel]));
    out += row[kMethodLabel];
    out += blanks(width(kFeeColumn) - static_cast<int>(utf8_length(row[kFee])));
    out += row[kFee];
    append_item_cells(out, s, r, 1, s.first_line_columns());
    append_right(out, format_thousands(std::string_view(row[kTotal])), kTotalWidth);
    out += kDebitGap;
    out += row[kDebitDate];
    return out;
}

std::string detail_second_line(const WriterState& s, int r) {
    std::string out = blanks(kSecondItemsAt);
    append_item_cells(out, s, r, kFirstLineColumns + 1, s.item_count);
    return out;
}

}  // namespace zol
