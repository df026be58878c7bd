#include "report/xlsx_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/date.h"
#include "core/grade.h"
#include "report/class_group.h"
#include "report/field_values.h"
#include "report/named_fields.h"
#include "report/report_columns.h"
#include "report/writer_state.h"
#include "report/xlsx_book.h"

namespace zol {

namespace {

// Columns of "明細" before the item columns: the class group's, then the report's own.
std::vector<std::string> row_captions() {
    std::vector<std::string> captions = {std::string(kDateTitle), std::string(kGroupTitle)};
    for (const LeadColumn& c : kLeadColumns) captions.emplace_back(c.title);
    return captions;
}
constexpr int kRowItems = 2 + static_cast<int>(kLeadColumns.size());  // its first item column
// Columns of "合計" before the item columns; 收款總金額 follows them.
constexpr std::array<std::string_view, 6> kSumCaptions = {kDateTitle,
                                                          kGroupTitle,
                                                          kLeadColumns[kGradeColumn].title,
                                                          kLeadColumns[kClassColumn].title,
                                                          "筆數",
                                                          kLeadColumns[kFeeColumn].title};
constexpr int kSumItems = static_cast<int>(kSumCaptions.size());

// The item names of the run, each once, in item id order: the order the report's item
// columns take.
std::vector<std::string> run_item_names(ResultSet& items) {
    NamedFields f(items, {"Itemid", "ItemName"});
    std::vector<std::pair<std::int64_t, std::string>> seen;
    std::unordered_map<std::string, std::size_t> index;
    for (items.move_first(); !items.eof(); items.move_next()) {
        std::string name = trimmed_text(f[1]);
        const std::int64_t id = whole_number(f[0]);
        const auto [at, fresh] = index.try_emplace(name, seen.size());
        if (fresh) {
            seen.emplace_back(id, std::move(name));
        } else {
            seen[at->second].first = std::min(seen[at->second].first, id);
        }
    }
    std::stable_sort(seen.begin(), seen.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> names;
    for (auto& [id, name] : seen) names.push_back(std::move(name));
    return names;
}

// The report's paging, followed without writing it, to tell on which page a student's
// line stands.
class PageCounter {
  public:
    explicit PageCounter(bool merged) : merged_(merged), page_no_(merged ? 1 : 0) {}
    void start_group() {
        if (merged_) return;
        ++page_no_;
        line_no_ = 0;
    }
    int place_student(bool two_lines) {
        if (++line_no_ > kPageLines) {
            ++page_no_;
            line_no_ = 1;
        }
        const int page = page_no_;
        if (two_lines) ++line_no_;
        return page;
    }
    // Merged classes are parted by an empty line that counts.
    void end_group(bool more) {
        if (merged_ && more) ++line_no_;
    }
    int page() const { return page_no_; }

  private:
    bool merged_;
    int page_no_;
    int line_no_ = 0;
};

struct Sums {
    explicit Sums(std::size_t items) : items(items, 0) {}
    std::int64_t count = 0;
    std::int64_t fee = 0;
    std::vector<std::int64_t> items;
    std::int64_t total = 0;

    void add(const Sums& o) {
        accumulate(count, o.count);
        accumulate(fee, o.fee);
        for (std::size_t i = 0; i < items.size(); ++i) accumulate(items[i], o.items[i]);
        accumulate(total, o.total);
    }
};

bool all_digits(std::string_view s, std::size_t max_len) {
    return !s.empty() && s.size() <= max_len &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void date_or_text(XlsxSheet& sheet, int col, const std::string& text,
                  const std::optional<DateTime>& d) {
    if (d) {
        sheet.date(col, *d);
    } else {
        sheet.text(col, text);
    }
}

// 年: the grade number, or the kindergarten level's name.
void grade_cell(XlsxSheet& sheet, int col, const std::string& code) {
    if (const std::string_view name = kindergarten_name(code); !name.empty())
        return sheet.text(col, std::string(name));
    if (all_digits(code, 9)) return sheet.number(col, std::stod(code), nullptr, 2);
    sheet.text(col, code);
}

void key_cells(XlsxSheet& sheet, XlsxBook& book, const WriterState& s, int r) {
    const auto& row = s.row_table[static_cast<std::size_t>(r)];
    date_or_text(sheet, 0, s.key.date, parse_iso_date(s.key.date));
    sheet.text(1, s.group_name);
    grade_cell(sheet, 2, row[kGradeCode]);
    sheet.number(3, static_cast<double>(whole_number(std::string_view(row[kClass]))),
                 book.two_digits, static_cast<int>(row[kClass].size()));
}

class XlsxRun {
  public:
    XlsxRun(const XlsxOptions& o, std::vector<std::string> names)
        : options_(o),
          names_(std::move(names)),
          book_(o.output_path),
          rows_(book_, "明細"),
          sums_(book_, "合計"),
          all_(names_.size()) {
        for (std::size_t i = 0; i < names_.size(); ++i) column_of_.emplace(names_[i], i);
        std::vector<std::string> captions = row_captions();
        captions.insert(captions.end(), names_.begin(), names_.end());
        captions.emplace_back(kTotalTitle);
        captions.emplace_back(kDebitTitle);
        rows_.header(captions);
        captions.assign(kSumCaptions.begin(), kSumCaptions.end());
        captions.insert(captions.end(), names_.begin(), names_.end());
        captions.emplace_back(kTotalTitle);
        sums_.header(captions);
    }

    // Writes the students of the group just read that stand on the pages asked for.
    void group(const WriterState& s, PageCounter& pages) {
        // Sheet item index of each of the group's item columns; an item that the item rows
        // did not list has no column of its own.
        std::vector<int> to_sheet(static_cast<std::size_t>(s.item_count) + 1, -1);
        for (int k = 1; k <= s.item_count; ++k) {
            const auto at = column_of_.find(s.item_table[0][static_cast<std::size_t>(k)]);
            if (at != column_of_.end()) to_sheet[static_cast<std::size_t>(k)] = int(at->second);
        }
        Sums sums(names_.size());
        int first = 0;
        for (int r = 1; r <= s.row_count; ++r) {
            const int page = pages.place_student(s.has_second_line());
            if (page < options_.first_page || page > options_.last_page) continue;
            if (first == 0) first = r;
            student(s, r, to_sheet, sums);
        }
        if (first == 0) return;
        sums_.next_row();
        key_cells(sums_, book_, s, first);
        totals_cells(sums);
        all_.add(sums);
    }

    long long finish() {
        if (all_.count == 0) return 0;
        sums_.next_row();
        sums_.text(0, "全部合計");
        totals_cells(all_);
        rows_.finish(true);
        sums_.finish(false);
        book_.commit();
        return all_.count;
    }

  private:
    void student(const WriterState& s, int r, const std::vector<int>& to_sheet, Sums& sums) {
        const auto& row = s.row_table[static_cast<std::size_t>(r)];
        const auto& cells = s.item_table[static_cast<std::size_t>(r)];
        rows_.next_row();
        key_cells(rows_, book_, s, r);
        rows_.number(4, static_cast<double>(whole_number(std::string_view(row[kSeat]))),
                     book_.two_digits, static_cast<int>(row[kSeat].size()));
        const std::string& name = row[kMarkAndName];
        rows_.text(5, name.c_str() + (name.starts_with(' ') ? 1 : 0));
        const std::string& serial = row[kSerial];
        if (all_digits(serial, 15)) {
            rows_.number(6, std::stod(serial), book_.five_digits,
                         std::max<int>(5, static_cast<int>(serial.size())));
        } else {
            rows_.text(6, serial);
        }
        const std::string& label = row[kMethodLabel];
        rows_.text(7, label.c_str() + (label.starts_with(' ') ? 1 : 0));

        const std::int64_t fee = whole_number(std::string_view(row[kFee]));
        rows_.amount(8, fee);
        for (int k = 1; k <= s.item_count; ++k) {
            const std::string& cell = cells[static_cast<std::size_t>(k)];
            const int i = to_sheet[static_cast<std::size_t>(k)];
            if (cell.empty() || i < 0) continue;
            const std::int64_t v = whole_number(std::string_view(cell));
            rows_.amount(kRowItems + i, v);
            accumulate(sums.items[static_cast<std::size_t>(i)], v);
        }
        const std::int64_t total = whole_number(std::string_view(row[kTotal]));
        const int tail = kRowItems + static_cast<int>(names_.size());
        rows_.amount(tail, total);
        date_or_text(rows_, tail + 1, row[kDebitDate], parse_roc_date(row[kDebitDate]));

        ++sums.count;
        accumulate(sums.fee, fee);
        accumulate(sums.total, total);
    }

    void totals_cells(const Sums& sums) {
        sums_.number(4, static_cast<double>(sums.count), nullptr,
                     static_cast<int>(std::to_string(sums.count).size()));
        sums_.amount(5, sums.fee);
        for (std::size_t i = 0; i < sums.items.size(); ++i) {
            sums_.amount(kSumItems + static_cast<int>(i), sums.items[i]);
        }
        sums_.amount(kSumItems + static_cast<int>(sums.items.size()), sums.total);
    }

    const XlsxOptions& options_;
    std::vector<std::string> names_;
    std::unordered_map<std::string, std::size_t> column_of_;
    XlsxBook book_;
    XlsxSheet rows_;
    XlsxSheet sums_;
    Sums all_;
};

}  // namespace

long long write_xlsx(RowSource& detail, ResultSet& items, const XlsxOptions& options) {
    if (detail.eof()) return 0;
    std::vector<std::string> names = run_item_names(items);
    WriterState s;
    s.merged = options.merged;
    s.row_table.assign(1, {});
    s.row_names.assign(1, {});
    s.item_table.assign(1, {});
    ClassGroupReader reader(detail, items);
    reader.read(s);
    // The workbook opens once the first group is in: reading it loads the run's item rows,
    // whose growing buffers make the run's highest memory, and the workbook's own buffers
    // come after that rather than on top of it.
    XlsxRun run(options, std::move(names));
    PageCounter pages(options.merged);
    while (true) {
        pages.start_group();
        run.group(s, pages);
        pages.end_group(!detail.eof());
        if (detail.eof() || pages.page() > options.last_page) break;
        reader.read(s);
    }
    return run.finish();
}

}  // namespace zol
