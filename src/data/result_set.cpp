#include "data/result_set.h"

#include <bit>
#include <utility>

namespace zol {

namespace {

std::uint64_t pack(const DateTime& d) {
    // Fields in range (a date read from text); the year keeps its sign in the top bits.
    const auto u = [](int v) { return static_cast<std::uint64_t>(static_cast<std::uint32_t>(v)); };
    return (u(d.year) << 32) | (u(d.month & 0x3ff) << 22) | (u(d.day & 0x1f) << 17) |
           (u(d.hour & 0x1f) << 12) | (u(d.minute & 0x3f) << 6) | u(d.second & 0x3f);
}

DateTime unpack(std::uint64_t p) {
    const auto i = [](std::uint64_t v) { return static_cast<int>(v); };
    return DateTime{static_cast<int>(static_cast<std::int64_t>(p) >> 32),
                    i((p >> 22) & 0x3ff),
                    i((p >> 17) & 0x1f),
                    i((p >> 12) & 0x1f),
                    i((p >> 6) & 0x3f),
                    i(p & 0x3f)};
}

// A short text's place: block (24 bits), offset in it (20 bits), length (20 bits).
constexpr unsigned kOffsetBits = 20;
constexpr unsigned kLengthBits = 20;
constexpr std::uint64_t kFieldMask = (std::uint64_t{1} << 20) - 1;

}  // namespace

ResultSet::ResultSet(std::vector<std::string> columns) : columns_(std::move(columns)) {}

ResultSet::ResultSet(std::vector<std::string> columns, std::vector<std::vector<Value>> rows)
    : columns_(std::move(columns)) {
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (i < row.size()) {
                append(row[i]);
            } else {
                append_null();
            }
        }
        end_row();
    }
}

void ResultSet::push(Kind kind, std::uint64_t payload) {
    const std::size_t slot = cell_count_ % kBlockCells;
    if (slot == 0) {
        kinds_.emplace_back(kBlockCells);
        payloads_.emplace_back(kBlockCells);
    }
    kinds_.back()[slot] = kind;
    payloads_.back()[slot] = payload;
    ++cell_count_;
}

void ResultSet::append_null() {
    push(Kind::Null, 0);
}
void ResultSet::append_integer(std::int64_t v) {
    push(Kind::Integer, static_cast<std::uint64_t>(v));
}
void ResultSet::append_real(double v) {
    push(Kind::Real, std::bit_cast<std::uint64_t>(v));
}
void ResultSet::append_date(const DateTime& v) {
    push(Kind::Date, pack(v));
}

void ResultSet::append_text(std::string_view v) {
    if (v.size() >= kTextBlock) {
        texts_.emplace_back(v);
        texts_.emplace_back();  // later short texts start a fresh block
        texts_.back().reserve(kTextBlock);
        push(Kind::LongText, texts_.size() - 2);
        return;
    }
    if (texts_.empty() || texts_.back().size() + v.size() > kTextBlock) {
        texts_.emplace_back();
        texts_.back().reserve(kTextBlock);
    }
    std::string& block = texts_.back();
    const std::uint64_t where =
        (static_cast<std::uint64_t>(texts_.size() - 1) << (kOffsetBits + kLengthBits)) |
        (static_cast<std::uint64_t>(block.size()) << kLengthBits) | v.size();
    block.append(v);
    push(Kind::Text, where);
}

void ResultSet::append(const Value& v) {
    if (v.is_integer()) {
        append_integer(v.integer());
    } else if (v.is_real()) {
        append_real(v.number());
    } else if (v.is_text()) {
        append_text(v.text());
    } else if (v.is_date()) {
        append_date(v.date());
    } else {
        append_null();
    }
}

void ResultSet::end_row() {
    ++row_count_;
    while (cell_count_ < row_count_ * columns_.size()) append_null();
}

Value ResultSet::value_of(std::size_t cell) const {
    const Kind kind = kinds_[cell / kBlockCells][cell % kBlockCells];
    const std::uint64_t p = payloads_[cell / kBlockCells][cell % kBlockCells];
    switch (kind) {
        case Kind::Integer:
            return Value(static_cast<std::int64_t>(p));
        case Kind::Real:
            return Value(std::bit_cast<double>(p));
        case Kind::Text:
            return Value(texts_[p >> (kOffsetBits + kLengthBits)].substr(
                (p >> kLengthBits) & kFieldMask, p & kFieldMask));
        case Kind::LongText:
            return Value(texts_[p]);
        case Kind::Date:
            return Value(unpack(p));
        case Kind::Null:
            break;
    }
    return Value();
}

const std::vector<Value>& ResultSet::current_row() const {
    if (current_pos_ != pos_) {
        current_.clear();
        const std::size_t first = pos_ * columns_.size();
        for (std::size_t i = 0; i < columns_.size(); ++i) current_.push_back(value_of(first + i));
        current_pos_ = pos_;
    }
    return current_;
}

}  // namespace zol
