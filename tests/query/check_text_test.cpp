// The filter check: order of the checks, messages, focus, trimming, date conversion.
#include "query/check_text.h"

#include <gtest/gtest.h>

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

TEST(PaydayQueryDate, ConvertsRocToMonthDayYear) {
    EXPECT_EQ(payday_query_date("102/05/25"), "05/25/2013");
    EXPECT_EQ(payday_query_date("101/02/29"), "02/29/2012");
    EXPECT_EQ(payday_query_date("095/12/31"), "12/31/2006");
    // A partly typed year counts by its leading number.
    EXPECT_EQ(payday_query_date("10_/05/25"), "05/25/1921");
}

TEST(PaydayQueryDate, RejectsImpossibleOrIncompleteDates) {
    EXPECT_EQ(payday_query_date("102/02/30"), std::nullopt);
    EXPECT_EQ(payday_query_date("102/02/29"), std::nullopt);  // 2013 is no leap year
    EXPECT_EQ(payday_query_date("102/13/01"), std::nullopt);
    EXPECT_EQ(payday_query_date("102/00/10"), std::nullopt);
    EXPECT_EQ(payday_query_date("102/5_/01"), std::nullopt);
    EXPECT_EQ(payday_query_date("102/__/__"), std::nullopt);
    EXPECT_EQ(payday_query_date("102/05"), std::nullopt);
    EXPECT_EQ(payday_query_date(""), std::nullopt);
    EXPECT_EQ(payday_query_date("1.5/05/25"), std::nullopt);  // no whole year
    EXPECT_EQ(payday_query_date("\xe5\xb9\xb4/05/25"), std::nullopt);
}

TEST(CheckText, NothingChosenAsksForTheCollectionDate) {
    FilterSnapshot f;
    const CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.message, "收 款 日 期 必 須 輸 入");
    EXPECT_EQ(r.focus, FocusControl::CBO_TranDay);
}

TEST(CheckText, HandTypedCollectionDateCountsAsMissing) {
    FilterSnapshot f = one_date();
    f.CBO_TranDay = "095/03/1";  // shortened with Backspace: no entry behind it
    f.CBO_TranDay_index = -1;
    CheckResult r = Check_Text(f);
    EXPECT_EQ(r.message, "收 款 日 期 必 須 輸 入");
    EXPECT_EQ(r.focus, FocusControl::CBO_TranDay);

    f.CBO_TranDay_index = 7;  // beyond the values: never read out of range
    r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.focus, FocusControl::CBO_TranDay);
}

TEST(CheckText, ToDateWithoutEntryIsRefusedOnItsOwnBox) {
    FilterSnapshot f = one_date();
    f.CBO_TranDay2 = "095/03";
    f.CBO_TranDay2_index = -1;
    const CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.message, kMsgTranDay2NotInList);
    EXPECT_EQ(r.focus, FocusControl::CBO_TranDay2);
}

TEST(CheckText, DatesComeFromTheValuesOfTheChosenEntries) {
    FilterSnapshot f = one_date();
    CheckResult r = Check_Text(f);
    ASSERT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.date_from, "03/15/2006");
    EXPECT_EQ(r.dates.date_to, "");
    EXPECT_EQ(r.dates.payday_from, "");
    EXPECT_EQ(r.dates.payday_to, "");

    f.CBO_TranDay2 = "095/03/31";
    f.CBO_TranDay2_index = 0;
    f.Msk_payday1 = "095/03/01";
    f.Msk_payday2 = "101/02/29";
    r = Check_Text(f);
    ASSERT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.date_to, "03/31/2006");
    EXPECT_EQ(r.dates.payday_from, "03/01/2006");
    EXPECT_EQ(r.dates.payday_to, "02/29/2012");
}

TEST(CheckText, InvalidPayDatesFocusTheirBoxAndStopBeforeTrimming) {
    FilterSnapshot f = one_date();
    f.CBO_Grade = " 3 ";
    f.Msk_payday1 = "102/02/30";
    CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.message, "日期輸入錯誤");
    EXPECT_EQ(r.focus, FocusControl::Msk_payday1);
    EXPECT_EQ(f.CBO_Grade, " 3 ");

    f.Msk_payday1 = "___/__/__";
    f.Msk_payday2 = "10_/__/__";
    r = Check_Text(f);
    EXPECT_EQ(r.message, "日期輸入錯誤");
    EXPECT_EQ(r.focus, FocusControl::Msk_payday2);
}

TEST(CheckText, TrimsTheFreeTextBoxes) {
    FilterSnapshot f = one_date();
    f.CBO_Grade = " 幼中 ";
    f.CBO_ClsID = "  3";
    f.CBO_ClsID2 = "5  ";
    f.CBO_SeatNo1 = " 1 ";
    f.CBO_SeatNo2 = " 40 ";
    f.Txt_StdNo1 = " A001 ";
    f.Txt_StdNo2 = "  A999";
    f.CBO_preway = " 轉帳 ";  // read trimmed by the query, never written back
    ASSERT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    EXPECT_EQ(f.CBO_Grade, "幼中");
    EXPECT_EQ(f.CBO_ClsID, "3");
    EXPECT_EQ(f.CBO_ClsID2, "5");
    EXPECT_EQ(f.CBO_SeatNo1, "1");
    EXPECT_EQ(f.CBO_SeatNo2, "40");
    EXPECT_EQ(f.Txt_StdNo1, "A001");
    EXPECT_EQ(f.Txt_StdNo2, "A999");
    EXPECT_EQ(f.CBO_preway, " 轉帳 ");
}

TEST(CheckText, MergedPrintingNeedsOneCollectionDate) {
    FilterSnapshot f = one_date();
    f.Chk_ALL = true;
    f.CBO_SeatNo1 = " 1 ";
    f.CBO_SeatNo2 = " 9 ";
    f.CBO_TranDay2 = "095/03/31";
    f.CBO_TranDay2_index = 0;
    CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.message, "採用班級合併列印,請限定同一收款日期");
    EXPECT_EQ(r.focus, FocusControl::CBO_TranDay2);
    EXPECT_FALSE(r.select_opt_group2);
    // The first trimming step ran, the second did not.
    EXPECT_EQ(f.CBO_SeatNo1, "1");
    EXPECT_EQ(f.CBO_SeatNo2, " 9 ");

    // The same entry in both boxes passes and still gives the range.
    f.CBO_TranDay2 = "095/03/15";
    f.CBO_TranDay2_index = 1;
    r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.date_to, "03/15/2006");
}

TEST(CheckText, MergedPrintingNeedsExactlyOneSelectedGroup) {
    FilterSnapshot f = one_date();
    f.Chk_ALL = true;
    f.Lst_group.entries = {"註冊費", "午餐費", "課輔費"};
    f.Lst_group.selected = {false, false, false};
    CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_EQ(r.message, "採用班級合併列印,必須限定繳費群組,請選取繳費群組");
    EXPECT_EQ(r.focus, FocusControl::Lst_group);
    EXPECT_TRUE(r.select_opt_group2);
    EXPECT_FALSE(f.Opt_group1);

    f.Opt_group1 = true;
    f.Lst_group.selected = {true, false, true};
    r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Failed);
    EXPECT_TRUE(r.select_opt_group2);

    // One selected entry passes, whichever group option is set.
    f.Opt_group1 = true;
    f.Lst_group.selected = {false, true, false};
    r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_FALSE(r.select_opt_group2);
    EXPECT_TRUE(f.Opt_group1);

    // A short flag vector reads as unselected rather than out of range.
    f.Lst_group.selected = {true};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    f.Lst_group.selected = {};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Failed);
}

TEST(CheckText, MergedPrintingWithOneGroupInTheListPassesWhateverIsSelected) {
    FilterSnapshot f = one_date();
    f.Chk_ALL = true;
    f.Lst_group.entries = {"註冊費"};
    f.Lst_group.selected = {false};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);

    // Without merged printing the group selection is not checked at all.
    f.Chk_ALL = false;
    f.Lst_group.entries = {"a", "b"};
    f.Lst_group.selected = {true, true};
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
}

TEST(CheckText, WholeSchoolQuestionOnlyForDirectPrintWithoutStudentFilter) {
    FilterSnapshot f = one_date();
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);  // preview asks nothing

    f.preview_mode = false;
    CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::NeedsQuestion);
    EXPECT_EQ(r.message, "你 要 顯 示 全 校 名 冊 嗎?");
    EXPECT_EQ(r.focus, FocusControl::None);
    EXPECT_EQ(r.dates.date_from, "03/15/2006");  // the run goes on with these on Yes

    // Any of the seven fields filled: no question.
    f.Txt_StdNo2 = "A100";
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);
    f.Txt_StdNo2.clear();
    f.CBO_SeatNo2 = "3";
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::Passed);

    // A class of blanks only is trimmed to "" and counts as empty.
    f.CBO_SeatNo2.clear();
    f.CBO_ClsID = "   ";
    r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::NeedsQuestion);
    EXPECT_EQ(f.CBO_ClsID, "");

    // Filters that are not student filters do not count.
    f.CBO_preway = "轉帳";
    f.CBO_paystas = "已繳";
    EXPECT_EQ(Check_Text(f).outcome, CheckOutcome::NeedsQuestion);
}

TEST(CheckText, EmptyTextInAPayDateBoxCountsAsUntouched) {
    FilterSnapshot f = one_date();
    f.Msk_payday1 = "";
    f.Msk_payday2 = "";
    const CheckResult r = Check_Text(f);
    EXPECT_EQ(r.outcome, CheckOutcome::Passed);
    EXPECT_EQ(r.dates.payday_from, "");
}

}  // namespace
}  // namespace zol
