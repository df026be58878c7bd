#include "data/value.h"

#include <stdexcept>

#include "core/numbers.h"

namespace zol {

std::string Value::text() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return std::to_string(*i);
    if (const auto* d = std::get_if<double>(&v_)) return number_text(*d);
    if (const auto* s = std::get_if<std::string>(&v_)) return *s;
    if (const auto* t = std::get_if<DateTime>(&v_)) return iso_text(*t);
    return {};
}

double Value::number() const {
    if (const auto* i = std::get_if<std::int64_t>(&v_)) return static_cast<double>(*i);
    if (const auto* d = std::get_if<double>(&v_)) return *d;
    if (const auto* s = std::get_if<std::string>(&v_)) return leading_number(*s);
    return 0;
}

std::int64_t Value::integer() const {
    const auto* i = std::get_if<std::int64_t>(&v_);
    return i ? *i : 0;
}

const DateTime& Value::date() const {
    if (const auto* t = std::get_if<DateTime>(&v_)) return *t;
    throw std::logic_error("value is not a date");
}

}  // namespace zol
