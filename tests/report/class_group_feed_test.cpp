// The groups handed over by the reading thread are the ones a plain reader reads, in order;
// a failed read reaches the caller after the groups before it; a feed left early ends.
#include "report/class_group_feed.h"

#include <gtest/gtest.h>

#include "data/db_error.h"
#include "report/report_fixture.h"

namespace zol {
namespace {

// The rows of a result set, failing once `fail_at` rows are passed.
class FailingRows final : public RowSource {
  public:
    FailingRows(ResultSet& rows, int fail_at) : rows_(rows), left_(fail_at) {}
    bool eof() const override { return rows_.eof(); }
    void move_next() override {
        if (--left_ == 0) throw DbError("test.db", "disk I/O error");
        rows_.move_next();
    }
    const std::vector<std::string>& columns() const override { return rows_.columns(); }
    const Value& field(std::size_t i) const override { return rows_.field(i); }
    const Value& field(std::string_view n) const override { return rows_.field(n); }

  private:
    ResultSet& rows_;
    int left_;
};

std::vector<test::Payment> three_classes() {
    auto all = test::students(3, 1, 1, "學費");
    for (auto& p : test::students(2, 1, 2, "雜費")) all.push_back(p);
    for (auto& p : test::students(4, 2, 1, "書籍費")) all.push_back(p);
    return all;
}

TEST(ClassGroupFeed, HandsOverWhatAPlainReaderReadsAndEndsWhenLeftEarly) {
    for (const bool merged : {false, true}) {
        SCOPED_TRACE(merged);
        ResultSet rows = test::detail_rows(three_classes());
        ResultSet items = test::item_rows(three_classes());
        std::vector<WriterState> expected;
        WriterState s;
        s.merged = merged;
        s.row_table.assign(1, {});
        s.row_names.assign(1, {});
        s.item_table.assign(1, {});
        ClassGroupReader reader(rows, items);
        while (!rows.eof()) {
            reader.read(s);
            expected.push_back(s);
        }
        ASSERT_EQ(expected.size(), 3u);

        rows.move_first();
        ClassGroupFeed feed(rows, items, merged, 1);
        for (std::size_t g = 0; g < expected.size(); ++g) {
            auto got = feed.next();
            ASSERT_TRUE(got);
            EXPECT_EQ(got->last, g + 1 == expected.size());
            EXPECT_EQ(got->state.key, expected[g].key);
            EXPECT_EQ(got->state.row_table, expected[g].row_table);
            EXPECT_EQ(got->state.item_table, expected[g].item_table);
        }
        EXPECT_FALSE(feed.next());

        // Depth 1: the thread waits with a group read ahead when the feed goes.
        rows.move_first();
        ClassGroupFeed left(rows, items, merged, 1);
        EXPECT_EQ(left.next()->state.row_count, 3);
    }
}

TEST(ClassGroupFeed, PassesOnAFailedReadAfterTheGroupsBeforeIt) {
    ResultSet rows = test::detail_rows(three_classes());
    ResultSet items = test::item_rows(three_classes());
    FailingRows failing(rows, 6);  // in the third class
    ClassGroupFeed feed(failing, items, false);
    EXPECT_EQ(feed.next()->state.row_count, 3);
    EXPECT_EQ(feed.next()->state.row_count, 2);
    EXPECT_THROW(feed.next(), DbError);
}

}  // namespace
}  // namespace zol
