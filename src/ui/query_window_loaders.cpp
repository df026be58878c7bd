// The pick lists of the query window, each rebuilt from the package database with its
// own statement on Ado_CBO, and the identity-status list of Clear_Text.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>

#include "query/list_queries.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"

namespace zol {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}
std::string text_of(const QComboBox* c) {
    return c->currentText().toStdString();
}
// Fills a multi-choice list and its ids, letting events run after each entry so that the
// window stays responsive while a long list fills. `fills` counts the fills of this list:
// a fill that finds it raised after letting events run was overtaken by a newer fill,
// which has rebuilt the list, and stops. False then.
bool fill_choice_list(PickList which, ResultSet& rows, bool selected, QListWidget* list,
                      std::vector<std::string>& ids, unsigned& fills) {
    const unsigned fill = ++fills;
    list->clear();
    ids.clear();
    bool current = true;
    read_pick_list(which, rows, [&](PickEntry e) {
        list->addItem(q(e.text));
        ids.push_back(std::move(e.id));
        list->item(list->count() - 1)->setSelected(selected);
        QCoreApplication::processEvents();
        current = fill == fills;
        return current;
    });
    return current;
}

}  // namespace

ResultSet ZOL5300F1::run_list(const std::string& sql) {
    Ado_CBO_.set_record_source(sql);
    Ado_CBO_.refresh();
    return Ado_CBO_.result();
}

void ZOL5300F1::Clear_Text() {
    CBO_TranDay->setEditText(QString());
    CBO_TranDay2->setEditText(QString());
    CBO_GrpID->empty_list();
    CBO_Grade->setEditText(QString());
    for (auto* c : {CBO_ClsID, CBO_ClsID2, CBO_SeatNo1, CBO_SeatNo2}) c->empty_list();
    Txt_StdNo1->setText(QString());
    Txt_StdNo2->setText(QString());
    CBO_paystas->setEditText(QString());
    for (auto* c : {Chk_1, Chk_2, Chk_3, Chk_4}) c->setChecked(true);

    ResultSet rows = run_list(status_list_sql());
    if (!fill_choice_list(PickList::Status, rows, true, Lst_status, status_codes_, status_fill_)) {
        return;  // a newer Clear_Text has refilled the list
    }
    Opt1->setChecked(true);
}

void ZOL5300F1::insert_CBO_TranDay() {
    CBO_TranDay->empty_list();
    tranday_values_.clear();
    list_sql_ = insert_CBO_TranDay_sql();
    ResultSet rows = run_list(list_sql_);
    read_pick_list(PickList::TranDay, rows, [this](PickEntry e) {
        CBO_TranDay->add_entry(q(e.text));
        CBO_TranDay2->add_entry(q(e.text));
        tranday_values_.push_back(std::move(e.id));
        return true;
    });
    CBO_paystas->empty_list();
    for (const char* s : kPaystasItems) CBO_paystas->add_entry(QString::fromUtf8(s));
}

void ZOL5300F1::fill_combo(DropDownCombo* combo,
                           const std::function<std::optional<std::string>()>& sql, int field) {
    // Emptied before the statement is built, so a grade the statement refuses leaves no
    // stale entries behind.
    combo->empty_list();
    const auto statement = sql();
    if (!statement) return;
    list_sql_ = *statement;
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        combo->add_entry(q(rows.field(field).text()));
    }
}

void ZOL5300F1::insert_CBO() {
    fill_combo(
        CBO_GrpID,
        [this] {
            return insert_CBO_sql(text_of(CBO_TranDay), CBO_TranDay->list_index(), tranday_values_);
        },
        1);
}

void ZOL5300F1::insert_CBO_grade() {
    CBO_Grade->empty_list();
    for (const char* g : kGradeTexts) CBO_Grade->add_entry(QString::fromUtf8(g));
}

void ZOL5300F1::insert_CBO_ClsID() {
    fill_combo(
        CBO_ClsID, [this] { return insert_CBO_ClsID_sql(text_of(CBO_Grade)); }, 0);
}

void ZOL5300F1::insert_CBO_ClsID2() {
    fill_combo(
        CBO_ClsID2, [this] { return insert_CBO_ClsID2_sql(text_of(CBO_Grade)); }, 0);
}

void ZOL5300F1::insert_CBO_SeatNo1() {
    fill_combo(
        CBO_SeatNo1,
        [this] { return insert_CBO_SeatNo1_sql(text_of(CBO_Grade), text_of(CBO_ClsID)); }, 2);
}

void ZOL5300F1::insert_CBO_SeatNo2() {
    // The seats of the "from" class (CBO_ClsID), as in the "from" seat list: both seat
    // boxes offer the same seats whatever the "to" class says.
    fill_combo(
        CBO_SeatNo2,
        [this] { return insert_CBO_SeatNo2_sql(text_of(CBO_Grade), text_of(CBO_ClsID)); }, 2);
}

void ZOL5300F1::insert_group() {
    // Any failure empties the list silently: a shortened date text makes no date literal.
    try {
        list_sql_ = insert_group_sql("", "");
        ResultSet rows = run_list(insert_group_sql(text_of(CBO_TranDay), text_of(CBO_TranDay2)));
        if (!fill_choice_list(PickList::Group, rows, false, Lst_group, group_ids_, group_fill_)) {
            return;
        }
        Opt_group1->setChecked(true);
    } catch (const std::exception&) {
        Lst_group->clear();
    }
}

void ZOL5300F1::insert_item() {
    list_sql_ = insert_item_sql();
    ResultSet rows = run_list(list_sql_);
    if (!fill_choice_list(PickList::Item, rows, true, Lst_item, item_ids_, item_fill_)) return;
    Opt_item1->setChecked(true);
}

void ZOL5300F1::insert_Payday() {
    const auto sql =
        insert_Payday_sql(text_of(CBO_TranDay), CBO_TranDay->list_index(), text_of(CBO_TranDay2),
                          CBO_TranDay2->list_index(), tranday_values_);
    if (!sql) return;
    list_sql_ = *sql;
    ResultSet rows = run_list(list_sql_);
    if (rows.eof()) return;
    const auto latest = payday_box_text(rows.field(0));
    const auto earliest = payday_box_text(rows.field(1));
    if (!latest || !earliest) return;  // no payment in the range
    Msk_payday2->set_masked_text(q(*latest));
    Msk_payday1->set_masked_text(q(*earliest));
}

}  // namespace zol
