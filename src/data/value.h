// A typed field value as the data controls deliver it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "core/date.h"

namespace zol {

class Value {
  public:
    Value() = default;  // null
    explicit Value(std::int64_t v) : v_(v) {}
    explicit Value(double v) : v_(v) {}
    explicit Value(std::string v) : v_(std::move(v)) {}
    explicit Value(DateTime v) : v_(v) {}

    bool is_null() const { return std::holds_alternative<std::monostate>(v_); }
    bool is_integer() const { return std::holds_alternative<std::int64_t>(v_); }
    bool is_real() const { return std::holds_alternative<double>(v_); }
    bool is_text() const { return std::holds_alternative<std::string>(v_); }
    bool is_date() const { return std::holds_alternative<DateTime>(v_); }

    // The value joined to an empty text: null gives "", numbers their shortest decimal
    // text, dates "yyyy-mm-dd" (with " hh:mm:ss" when a time is set).
    std::string text() const;
    // Number value: numbers as they are, text by its leading number, null and dates 0.
    double number() const;
    // The integer as stored; 0 when the value is not an integer.
    std::int64_t integer() const;
    // The date; throws std::logic_error when the value is not a date.
    const DateTime& date() const;

    friend bool operator==(const Value&, const Value&) = default;

  private:
    std::variant<std::monostate, std::int64_t, double, std::string, DateTime> v_;
};

}  // namespace zol
