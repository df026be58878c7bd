// Turning Jet's stored forms (currency units, decimal text, serial dates, singles) into
// the values the in-memory SQLite copy holds, without binary rounding where it matters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace zol {

// A number as stored in the copy: INTEGER when whole, else REAL.
using JetNumber = std::variant<std::int64_t, double>;

// Currency is a count of 1/10000 units. Whole amounts stay integers; others become the
// double nearest to the exact decimal (which prints back as that decimal below 10^11).
JetNumber jet_currency(std::int64_t units);

// "12.3400", "-5", "123456789012345678901234567": whole values that fit become
// integers, the rest the double nearest to the decimal; nullopt for text that is no number.
std::optional<JetNumber> jet_decimal(std::string_view text);

// A Single widened to the double of its shortest decimal form (1.1f gives 1.1), as
// Access shows it, rather than 1.100000023841858.
double jet_single(float value);

// A Jet date/time serial (days since 1899-12-30; the fraction is the time of day, also
// for negative days) as "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss", rounded to the second.
// nullopt outside years 100..9999 or for a value that is not a number.
std::optional<std::string> jet_date_text(double serial);

// A Replication ID's 16 bytes as Access shows them, "{03020100-0504-0706-0809-0A0B0C0D0E0F}"
// for the bytes 00 to 0F: the first three groups are stored little-endian.
std::string jet_guid_text(const unsigned char* bytes);

}  // namespace zol
