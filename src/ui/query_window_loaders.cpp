// The pick lists of the query window, each rebuilt from the package database with its
// own statement on Ado_CBO, and the identity-status list of Clear_Text.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <algorithm>

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
void let_events_run() {
    QCoreApplication::processEvents();
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
    const unsigned fill = ++status_fill_;
    status_count_ = 0;
    Lst_status->clear();
    std::fill(status_codes_.begin(), status_codes_.end(), std::string());
    for (; !rows.eof() && static_cast<std::size_t>(status_count_) < kMaxStatuses;
         rows.move_next()) {
        Lst_status->addItem(q(entry_text(rows.field(1))));
        status_codes_[static_cast<std::size_t>(status_count_)] = entry_text(rows.field(0));
        Lst_status->item(status_count_)->setSelected(true);
        let_events_run();
        if (fill != status_fill_) return;  // a newer Clear_Text has refilled the list
        ++status_count_;
    }
    Opt1->setChecked(true);
    Lst_status->setEnabled(!Opt1->isChecked());
}

void ZOL5300F1::insert_CBO_TranDay() {
    CBO_TranDay->empty_list();
    std::fill(tranday_values_.begin(), tranday_values_.end(), std::string());
    list_sql_ = insert_CBO_TranDay_sql();
    ResultSet rows = run_list(list_sql_);
    std::size_t i = 0;
    for (; !rows.eof() && i < kMaxTrandays; rows.move_next()) {
        const auto entry = tranday_entry(rows.field(0));
        if (!entry) continue;  // a batch without a date cannot be chosen
        CBO_TranDay->add_entry(q(entry->text));
        CBO_TranDay2->add_entry(q(entry->text));
        tranday_values_[i++] = entry->value;
    }
    CBO_paystas->empty_list();
    for (const char* s : kPaystasItems) CBO_paystas->add_entry(QString::fromUtf8(s));
}

void ZOL5300F1::insert_CBO() {
    CBO_GrpID->empty_list();
    const auto sql =
        insert_CBO_sql(text_of(CBO_TranDay), CBO_TranDay->list_index(), tranday_values_);
    if (!sql) return;
    list_sql_ = *sql;
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        CBO_GrpID->add_entry(q(rows.field(1).text()));
    }
}

void ZOL5300F1::insert_CBO_grade() {
    CBO_Grade->empty_list();
    for (const char* g : kGradeTexts) CBO_Grade->add_entry(QString::fromUtf8(g));
}

void ZOL5300F1::insert_CBO_ClsID() {
    CBO_ClsID->empty_list();
    list_sql_ = insert_CBO_ClsID_sql(text_of(CBO_Grade));
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        CBO_ClsID->add_entry(q(rows.field(0).text()));
    }
}

void ZOL5300F1::insert_CBO_ClsID2() {
    CBO_ClsID2->empty_list();
    list_sql_ = insert_CBO_ClsID2_sql(text_of(CBO_Grade));
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        CBO_ClsID2->add_entry(q(rows.field(0).text()));
    }
}

void ZOL5300F1::insert_CBO_SeatNo1() {
    CBO_SeatNo1->empty_list();
    const auto sql = insert_CBO_SeatNo1_sql(text_of(CBO_Grade), text_of(CBO_ClsID));
    if (!sql) return;
    list_sql_ = *sql;
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        CBO_SeatNo1->add_entry(q(rows.field(2).text()));
    }
}

void ZOL5300F1::insert_CBO_SeatNo2() {
    CBO_SeatNo2->empty_list();
    // The seats of the "from" class (CBO_ClsID), as in the "from" seat list: both seat
    // boxes offer the same seats whatever the "to" class says.
    const auto sql = insert_CBO_SeatNo2_sql(text_of(CBO_Grade), text_of(CBO_ClsID));
    if (!sql) return;
    list_sql_ = *sql;
    for (ResultSet rows = run_list(list_sql_); !rows.eof(); rows.move_next()) {
        CBO_SeatNo2->add_entry(q(rows.field(2).text()));
    }
}

void ZOL5300F1::insert_group() {
    // Any failure empties the list silently: a shortened date text makes no date literal.
    try {
        list_sql_ = insert_group_sql("", "");
        ResultSet rows = run_list(insert_group_sql(text_of(CBO_TranDay), text_of(CBO_TranDay2)));
        const unsigned fill = ++group_fill_;
        std::size_t i = 0;
        Lst_group->clear();
        std::fill(group_ids_.begin(), group_ids_.end(), std::string());
        for (; !rows.eof() && i < kMaxGroups; rows.move_next(), ++i) {
            Lst_group->addItem(q(entry_text(rows.field(1))));
            group_ids_[i] = entry_text(rows.field(0));
            Lst_group->item(static_cast<int>(i))->setSelected(false);
            let_events_run();
            if (fill != group_fill_) return;  // a newer fill took over the list
        }
        Opt_group1->setChecked(true);
        option_group_rule();
    } catch (const std::exception&) {
        Lst_group->clear();
    }
}

void ZOL5300F1::insert_item() {
    list_sql_ = insert_item_sql();
    ResultSet rows = run_list(list_sql_);
    const unsigned fill = ++item_fill_;
    std::size_t i = 0;
    Lst_item->clear();
    std::fill(item_ids_.begin(), item_ids_.end(), std::string());
    for (; !rows.eof() && i < kMaxItems; rows.move_next(), ++i) {
        Lst_item->addItem(q(entry_text(rows.field(1))));
        item_ids_[i] = entry_text(rows.field(0));
        Lst_item->item(static_cast<int>(i))->setSelected(true);
        let_events_run();
        if (fill != item_fill_) return;
    }
    Opt_item1->setChecked(true);
    Opt_item2->setChecked(false);
    Lst_item->setEnabled(false);
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
