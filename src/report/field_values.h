// How the writer reads a field: texts trimmed (null gives ""), numbers rounded to whole
// numbers (null gives 0), dates in the report's text forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/date.h"
#include "data/value.h"

namespace zol {

// The value joined to an empty text, blanks trimmed at both ends.
std::string trimmed_text(const Value& v);
// Number value rounded half to even; null, dates and texts without a number give 0.
// Kept within +-2^62 so that sums of such values never overflow silently.
std::int64_t whole_number(const Value& v);
std::int64_t whole_number(double v);
// The same for a cell text of the report (empty text gives 0).
std::int64_t whole_number(std::string_view cell);
// Plain decimal text of a number value ("1500", "-3", "12.5"); null gives "0".
std::string decimal_text(const Value& v);
// The date of a date value, or of a text that reads as one; nullopt otherwise.
std::optional<DateTime> date_of(const Value& v);
// Class-group key text "yyyy/mm/dd"; a value that is no date gives its trimmed text.
std::string date_key(const Value& v);

}  // namespace zol
