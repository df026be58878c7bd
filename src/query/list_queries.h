// The statements of the window's pick-list loaders, and turning their rows into entries.
// Each builder is a pure function of the field values it is given.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/payment_codes.h"
#include "data/value.h"

namespace zol {

// Bounds of the value arrays behind the lists; loaders stop at them.
inline constexpr std::size_t kMaxTrandays = 501;
inline constexpr std::size_t kMaxGroups = 501;
inline constexpr std::size_t kMaxItems = 101;
inline constexpr std::size_t kMaxStatuses = 1000;

inline constexpr std::array<const char*, 15> kGradeTexts = {
    "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "幼小", "幼中", "幼大"};
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

}  // namespace zol
