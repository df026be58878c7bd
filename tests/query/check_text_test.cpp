// The filter check: order of the checks, messages, focus, trimming, date conversion.
#include "query/check_text.h"

#include <gtest/gtest.h>

#include <functional>

namespace zol {
namespace {

// 095/03/15 chosen as the only collection date; every other field in its start state.
FilterSnapshot one_date() {
    FilterSnapshot f;
    f.tranday_values = {"03/31/2006", "03/15/2006", "03/01/2006"};
    f.CBO_TranDay = "095/03/15";
    f.CBO_TranDay_index = 1;
    return f;
}

TEST(PaydayQueryDate, ConvertsValidDatesOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"102/05/25", "05/25/2013"},    {"101/02/29", "02/29/2012"},
        {"10_/05/25", "05/25/1921"},  // a partly typed year counts by its leading number
        {"102/02/30", nullptr},         {"102/02/29", nullptr},
        {"102/5_/01", nullptr},         {"1.5/05/25", nullptr},
        {"102/0:/01", nullptr},         {"102/05_01", nullptr},
        {"102/05/0:", nullptr},         {"102/05/2:", nullptr},
        {"\xe5\xb9\xb4/05/25", nullptr}};
    for (const auto& [masked, query] : cases) {
        const auto got = payday_query_date(masked);
        EXPECT_EQ(got.value_or("<none>"), query ? query : "<none>") << masked;
    }
    // A text one short is no date, whatever follows it in memory.
    EXPECT_EQ(payday_query_date(std::string_view("102/05/25", 8)), std::nullopt);
}

using Change = std::function<void(FilterSnapshot&)>;

void merged_over_two_dates(FilterSnapshot& f) {
    f.Chk_ALL = true;
    f.CBO_TranDay2 = "095/03/31";
    f.CBO_TranDay2_index = 0;
}
void merged_without_one_group(FilterSnapshot& f) {
    f.Chk_ALL = true;
    f.Lst_group.entries = {"註冊費", "午餐費", "課輔費"};
    f.Lst_group.selected = {true, false, true};
}

// Each failing filter alone, then pairs of them: the first check in the fixed order
// speaks, with its own message and focus.
TEST(CheckText, FirstFailingCheckInOrderSpeaks) {
    const Change no_date = [](FilterSnapshot& f) { f.CBO_TranDay_index = -1; };
    const Change to_date_typed = [](FilterSnapshot& f) { f.CBO_TranDay2 = "095/03"; };
    const Change bad_from = [](FilterSnapshot& f) { f.Msk_payday1 = "102/02/30"; };
    const Change bad_to = [](FilterSnapshot& f) { f.Msk_payday2 = "10_/__/__"; };
    const struct {
        std::vector<Change> changes;
        const char* message;
        FocusControl focus;
    } cases[] = {
        {{no_date}, "收 款 日 期 必 須 輸 入", FocusControl::CBO_TranDay},
        {{[](FilterSnapshot& f) { f.CBO_TranDay_index = 7; }},  // beyond the values
         "收 款 日 期 必 須 輸 入",
         FocusControl::CBO_TranDay},
        {{to_date_typed}, kMsgTranDay2NotInList, FocusControl::CBO_TranDay2},
        {{bad_from}, "日期輸入錯誤", FocusControl::Msk_payday1},
        {{bad_to}, "日期輸入錯誤", FocusControl::Msk_payday2},
        {{merged_over_two_dates},
         "採用班級合併列印,請限定同一收款日期",
         FocusControl::CBO_TranDay2},
        {{merged_without_one_group},
         "採用班級合併列印,必須限定繳費群組,請選取繳費群組",
         FocusControl::Lst_group},
        {{bad_to, no_date}, "收 款 日 期 必 須 輸 入", FocusControl::CBO_TranDay},
        {{merged_without_one_group, bad_from}, "日期輸入錯誤", FocusControl::Msk_payday1},
        {{merged_without_one_group, bad_to}, "日期輸入錯誤", FocusControl::Msk_payday2},
        {{merged_without_one_group, merged_over_two_dates},
         "採用班級合併列印,請限定同一收款日期",
         FocusControl::CBO_TranDay2},
        {{bad_from, to_date_typed}, kMsgTranDay2NotInList, FocusControl::CBO_TranDay2},
    };
    for (const auto& c : cases) {
        FilterSnapshot f = one_date();
        for (const Change& change : c.changes) change(f);
        const CheckResult r = Check_Text(f);
        EXPECT_EQ(r.outcome, CheckOutcome::Failed) << c.message;
        EXPECT_EQ(r.message, c.message);
        EXPECT_EQ(r.focus, c.focus) << c.message;
        EXPECT_EQ(r.select_opt_group2, c.focus == FocusControl::Lst_group) << c.message;
    }
}

TEST(CheckText, DatesComeFromTheValuesOfTheChosenEntries) {
    FilterSnapshot f = one_date();
    CheckResult r = Check_Text(f);
    ASSERT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.date_from + "|" + r.dates.date_to + "|" + r.dates.payday_from + "|" +
                  r.dates.payday_to,
              "03/15/2006|||");
    f.CBO_TranDay2 = "095/03/31";
    f.CBO_TranDay2_index = 0;
    f.Msk_payday1 = "095/03/01";
    f.Msk_payday2 = "101/02/29";
    r = Check_Text(f);
    ASSERT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.date_to + "|" + r.dates.payday_from + "|" + r.dates.payday_to,
              "03/31/2006|03/01/2006|02/29/2012");
    f.Msk_payday1 = f.Msk_payday2 = "";  // an empty box counts as untouched
    EXPECT_EQ(Check_Text(f).dates.payday_from, "");
}

TEST(CheckText, TrimsTheFreeTextBoxesAsFarAsTheCheckGot) {
    FilterSnapshot f = one_date();
    f.CBO_Grade = " 幼中 ";
    f.CBO_ClsID = "  3";
    f.CBO_ClsID2 = "5  ";
    f.CBO_SeatNo1 = " 1 ";
    f.CBO_SeatNo2 = " 40 ";
    f.Txt_StdNo1 = " A001 ";
    f.Txt_StdNo2 = "  A999";
    f.CBO_preway = " 轉帳 ";  // read trimmed by the query, never written back
    FilterSnapshot stopped = f;
    ASSERT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    EXPECT_EQ(f.CBO_Grade + f.CBO_ClsID + f.CBO_ClsID2 + f.CBO_SeatNo1 + f.CBO_SeatNo2 +
                  f.Txt_StdNo1 + f.Txt_StdNo2 + f.CBO_preway,
              "幼中35140A001A999 轉帳 ");
    // Stopped at the pay dates: nothing trimmed; at the merged checks: the first half only.
    stopped.Msk_payday1 = "102/02/30";
    FilterSnapshot merged = stopped;
    Check_Text(stopped);
    EXPECT_EQ(stopped.CBO_Grade, " 幼中 ");
    merged.Msk_payday1 = kEmptyPayday;
    merged_over_two_dates(merged);
    Check_Text(merged);
    EXPECT_EQ(merged.CBO_SeatNo1 + "|" + merged.CBO_SeatNo2, "1| 40 ");
}

TEST(CheckText, MergedPrintingPassesWithOneDateAndOneGroup) {
    FilterSnapshot f = one_date();
    merged_without_one_group(f);
    f.Lst_group.selected = {false, true, false};
    f.CBO_TranDay2 = "095/03/15";  // the same entry in both boxes
    f.CBO_TranDay2_index = 1;
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    EXPECT_TRUE(f.Opt_group1);      // whichever group option is set
    f.Lst_group.selected = {true};  // a short flag vector reads as unselected
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    f.Lst_group.selected = {};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Failed);
    EXPECT_FALSE(f.Opt_group1);
    f.Lst_group.entries = {"註冊費"};  // one group in the list: whatever is selected
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    f.Chk_ALL = false;  // not merged: the selection is not checked
    f.Lst_group.entries = {"a", "b"};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
}

TEST(CheckText, WholeSchoolQuestionOnlyForDirectPrintWithoutStudentFilter) {
    FilterSnapshot f = one_date();
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);  // preview asks nothing
    f.preview_mode = false;
    f.CBO_ClsID = "   ";    // blanks only: trimmed to "" and counted as empty
    f.CBO_preway = "轉帳";  // not a student filter
    f.CBO_paystas = "已繳";
    const CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::NeedsQuestion);
    EXPECT_EQ(r.message, "你 要 顯 示 全 校 名 冊 嗎?");
    EXPECT_EQ(r.focus, FocusControl::None);
    EXPECT_EQ(r.dates.date_from, "03/15/2006");  // the run goes on with these on Yes
    for (std::string FilterSnapshot::*field :
         {&FilterSnapshot::CBO_Grade, &FilterSnapshot::CBO_ClsID, &FilterSnapshot::CBO_ClsID2,
          &FilterSnapshot::CBO_SeatNo1, &FilterSnapshot::CBO_SeatNo2, &FilterSnapshot::Txt_StdNo1,
          &FilterSnapshot::Txt_StdNo2}) {
        FilterSnapshot g = f;
        g.*field = std::string("3");
        EXPECT_EQ(Check_Text(g).outcome, CheckOutcome::Passed);
    }
}

}  // namespace
}  // namespace zol
