// Values kept in a result come back exactly as they went in.
#include "data/result_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

#include "core/text.h"
#include "data/db_error.h"

namespace zol {
namespace {

TEST(ResultSetStorage, EveryKindOfValueRoundTrips) {
    const std::string long_text(3u << 20, 'x');  // longer than a text block
    const std::string chinese = "代號7已刪除";
    const std::vector<Value> row{Value(),
                                 Value(std::numeric_limits<std::int64_t>::min()),
                                 Value(std::int64_t{-1}),
                                 Value(0.1 + 0.2),
                                 Value(std::string()),
                                 Value(chinese),
                                 Value(long_text),
                                 Value(DateTime{2006, 3, 15}),
                                 Value(DateTime{2013, 12, 31, 23, 59, 59})};
    std::vector<std::string> columns;
    for (std::size_t i = 0; i < row.size(); ++i) columns.push_back(cat("c", std::to_string(i)));
    ResultSet rs(columns, {row, row, {Value(std::int64_t{7})}});
    ASSERT_EQ(rs.row_count(), 3u);
    for (int r = 0; r < 2; ++r) {
        for (std::size_t i = 0; i < row.size(); ++i)
            EXPECT_EQ(rs.field(i), row[i]) << "column " << i;
        rs.move_next();
    }
    // A short row is filled with nulls.
    EXPECT_EQ(rs.field(0).integer(), 7);
    EXPECT_TRUE(rs.field("C8").is_null());
    rs.move_next();
    EXPECT_THROW(rs.field(0), DbError);
    rs.move_first();
    EXPECT_EQ(rs.field("c6").text().size(), long_text.size());
}

// Texts on both sides of the block size and of a block's end, dates at each field's
// limit, and field positions and row ends on both sides.
TEST(ResultSetStorage, BoundariesOfBlocksFieldsAndRows) {
    constexpr std::size_t kBlock = std::size_t{1} << 20;
    const std::vector<std::string> texts{std::string(kBlock - 1, 'a'),
                                         "b",
                                         std::string(kBlock, 'c'),
                                         "dd",
                                         std::string(kBlock - 3, 'e'),
                                         "fff",
                                         "g"};
    const std::vector<DateTime> dates{
        {-1, 12, 31, 23, 59, 59}, {9999, 1, 1, 0, 0, 0}, {2024, 2, 29, 12, 30, 1}};
    ResultSet rs({"t", "d"});
    for (std::size_t i = 0; i < texts.size(); ++i) {
        rs.append_text(texts[i]);
        rs.append_date(dates[i % dates.size()]);
        rs.end_row();
    }
    for (std::size_t i = 0; i < texts.size(); ++i, rs.move_next()) {
        ASSERT_FALSE(rs.eof());
        EXPECT_EQ(rs.field(0).text(), texts[i]) << i;
        EXPECT_EQ(rs.field("D").date(), dates[i % dates.size()]) << i;
        EXPECT_NO_THROW(rs.field(1));
        EXPECT_THROW(rs.field(2), DbError);
        EXPECT_THROW(rs.field("t2"), DbError);
    }
    EXPECT_TRUE(rs.eof());
    rs.move_next();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.field(0), DbError);
    rs.move_first();
    EXPECT_EQ(rs.field(0).text().size(), kBlock - 1);
    EXPECT_TRUE(ResultSet({"x"}).eof());
}

TEST(ResultSetStorage, ManyRowsAcrossBlocks) {
    ResultSet rs({"n", "t"});
    for (int i = 0; i < 100000; ++i) {
        rs.append_integer(i);
        rs.append_text(std::to_string(i * 7));
        rs.end_row();
    }
    ASSERT_EQ(rs.row_count(), 100000u);
    long long checked = 0;
    for (int i = 0; !rs.eof(); rs.move_next(), ++i) {
        ASSERT_EQ(rs.field(0).integer(), i);
        ASSERT_EQ(rs.field("T").text(), std::to_string(i * 7));
        ++checked;
    }
    EXPECT_EQ(checked, 100000);
}

}  // namespace
}  // namespace zol
