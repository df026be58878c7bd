// The pick lists of the query window and of the command: each list's statement, how a
// row becomes an entry and how many entries it holds. The statement builders are pure
// functions of the field values they are given.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/grade.h"
#include "core/payment_codes.h"
#include "data/result_set.h"
#include "data/value.h"

namespace zol {

// The grade list's entries, in the order of their codes.
inline constexpr auto kGradeTexts = [] {
    std::array<const char*, kGrades.size()> texts{};
    for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = kGrades[i].text.data();
    return texts;
}();
inline constexpr std::array<const char*, 2> kPaystasItems = {"未繳", "已繳"};
inline constexpr std::array<const char*, 2> kPrewayItems = {kPrewayChoices[0].name,
                                                            kPrewayChoices[1].name};

// Collection dates of the batches that take part, newest first.
std::string insert_CBO_TranDay_sql();

// Groups for CBO_GrpID; nullopt when the collection-date text is empty (the list stays
// empty). The date condition is added only for a chosen entry that has a value.
std::optional<std::string> insert_CBO_sql(std::string_view tranday_text, int tranday_index,
                                          const std::vector<std::string>& tranday_values);

// Classes of a grade (the grade text goes through grade_code, which throws OverflowError
// beyond 16 bits): the "from" list without deleted students, the "to" list with them.
std::string insert_CBO_ClsID_sql(std::string_view grade_text);
std::string insert_CBO_ClsID2_sql(std::string_view grade_text);

// Seats of the grade and the "from" class; nullopt when either text is empty (no query).
std::optional<std::string> insert_CBO_SeatNo1_sql(std::string_view grade_text,
                                                  std::string_view clsid_text);
std::optional<std::string> insert_CBO_SeatNo2_sql(std::string_view grade_text,
                                                  std::string_view clsid_text);

// A collection-date combo text "095/03/15" as the group loader's date "2006/03/15".
std::string group_list_date(std::string_view combo_text);
// Groups of the chosen collection dates (texts trimmed here); without dates, all groups.
std::string insert_group_sql(std::string_view tranday_text, std::string_view tranday2_text);

std::string insert_item_sql();

// The pay-date range of the chosen collection dates; nullopt when CBO_TranDay has no
// chosen entry (no proposal). A to-date text without a chosen entry adds no condition.
std::optional<std::string> insert_Payday_sql(std::string_view tranday_text, int tranday_index,
                                             std::string_view tranday2_text, int tranday2_index,
                                             const std::vector<std::string>& tranday_values);

std::string status_list_sql();

// One collection-date entry: the list text "095/03/15" and the query value "03/15/2006".
struct TrandayEntry {
    std::string text;
    std::string value;
};
// From a TranDay field; nullopt for a null or non-date value (the loader skips it).
std::optional<TrandayEntry> tranday_entry(const Value& v);
// A pay date as the masked box shows it ("095/03/15"); nullopt when not a date.
std::optional<std::string> payday_box_text(const Value& v);
// A field as a list entry text: joined to "" and trimmed (null gives "").
std::string entry_text(const Value& v);

// The lists filled from the database by both the window and the command.
enum class PickList {
    TranDay,  // collection dates: text "095/03/15", id the query date "03/15/2006"
    Group,    // groups: text the name (field 1), id the group id (field 0)
    Item,     // fee items in use: the same two fields
    Status,   // identity statuses: the same two fields
};
struct PickEntry {
    std::string text;
    std::string id;
};
// The most entries a list holds; rows past it are not read. The bounds are those of the
// value tables the report's statements are built from, so a clerk never picks an entry
// that no statement could carry.
std::size_t pick_list_bound(PickList list);
// Hands the entries of `rows` to `take` in order, up to the list's bound; a row that makes
// no entry (a batch without a date) is skipped. `take` returns false to stop early, when
// a newer fill of the same list has taken over.
void read_pick_list(PickList list, ResultSet& rows, const std::function<bool(PickEntry)>& take);
// All entries at once.
std::vector<PickEntry> read_pick_list(PickList list, ResultSet& rows);

}  // namespace zol
