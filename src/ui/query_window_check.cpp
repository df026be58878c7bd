// The filter check of a run: the window's fields copied into a snapshot, the check run
// over it, its trimming written back, and its message, focus and question carried out.
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>

#include "query/check_text.h"
#include "query/filter_snapshot.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"

namespace zol {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

ListBoxState list_state(const QListWidget* list) {
    ListBoxState s;
    for (int i = 0; i < list->count(); ++i) {
        s.entries.push_back(list->item(i)->text().toStdString());
        s.selected.push_back(list->item(i)->isSelected());
    }
    return s;
}

}  // namespace

FilterSnapshot ZOL5300F1::snapshot() const {
    FilterSnapshot f;
    f.CBO_TranDay = CBO_TranDay->currentText().toStdString();
    f.CBO_TranDay_index = CBO_TranDay->list_index();
    f.CBO_TranDay2 = CBO_TranDay2->currentText().toStdString();
    f.CBO_TranDay2_index = CBO_TranDay2->list_index();
    f.tranday_values = tranday_values_;
    f.Msk_payday1 = Msk_payday1->masked_text().toStdString();
    f.Msk_payday2 = Msk_payday2->masked_text().toStdString();
    f.CBO_Grade = CBO_Grade->currentText().toStdString();
    f.CBO_ClsID = CBO_ClsID->currentText().toStdString();
    f.CBO_ClsID2 = CBO_ClsID2->currentText().toStdString();
    f.CBO_SeatNo1 = CBO_SeatNo1->currentText().toStdString();
    f.CBO_SeatNo2 = CBO_SeatNo2->currentText().toStdString();
    f.Txt_StdNo1 = Txt_StdNo1->text().toStdString();
    f.Txt_StdNo2 = Txt_StdNo2->text().toStdString();
    f.CBO_preway = CBO_preway->currentText().toStdString();
    f.CBO_paystas = CBO_paystas->currentText().toStdString();
    f.Chk_1 = Chk_1->isChecked();
    f.Chk_2 = Chk_2->isChecked();
    f.Chk_3 = Chk_3->isChecked();
    f.Chk_4 = Chk_4->isChecked();
    f.Chk_ALL = Chk_ALL->isChecked();
    f.Opt1 = Opt1->isChecked();
    f.Opt2 = Opt2->isChecked();
    f.Opt_group1 = Opt_group1->isChecked();
    f.Opt_item1 = Opt_item1->isChecked();
    f.Lst_status = list_state(Lst_status);
    f.Lst_group = list_state(Lst_group);
    f.Lst_item = list_state(Lst_item);
    f.status_codes = status_codes_;
    f.group_ids = group_ids_;
    f.item_ids = item_ids_;
    f.preview_mode = preview_mode_;
    return f;
}

void ZOL5300F1::write_back(const FilterSnapshot& f) {
    // Only the trimming of the check comes back; a text that did not change is left alone
    // so that no change event fires for it.
    const auto put = [](QComboBox* c, const std::string& s) {
        if (c->currentText().toStdString() != s) c->setEditText(q(s));
    };
    put(CBO_Grade, f.CBO_Grade);
    put(CBO_ClsID, f.CBO_ClsID);
    put(CBO_ClsID2, f.CBO_ClsID2);
    put(CBO_SeatNo1, f.CBO_SeatNo1);
    put(CBO_SeatNo2, f.CBO_SeatNo2);
    if (Txt_StdNo1->text().toStdString() != f.Txt_StdNo1) Txt_StdNo1->setText(q(f.Txt_StdNo1));
    if (Txt_StdNo2->text().toStdString() != f.Txt_StdNo2) Txt_StdNo2->setText(q(f.Txt_StdNo2));
}

QWidget* ZOL5300F1::control_for_focus(int focus) const {
    switch (static_cast<FocusControl>(focus)) {
        case FocusControl::CBO_TranDay:
            return CBO_TranDay;
        case FocusControl::CBO_TranDay2:
            return CBO_TranDay2;
        case FocusControl::Msk_payday1:
            return Msk_payday1;
        case FocusControl::Msk_payday2:
            return Msk_payday2;
        case FocusControl::CBO_Grade:
            return CBO_Grade;
        case FocusControl::CBO_ClsID:
            return CBO_ClsID;
        case FocusControl::CBO_ClsID2:
            return CBO_ClsID2;
        case FocusControl::CBO_SeatNo1:
            return CBO_SeatNo1;
        case FocusControl::CBO_SeatNo2:
            return CBO_SeatNo2;
        case FocusControl::Lst_group:
            return Lst_group;
        case FocusControl::Lst_status:
            return Lst_status;
        case FocusControl::None:
            break;
    }
    return nullptr;
}

bool ZOL5300F1::Check_Text() {
    FilterSnapshot f = snapshot();
    const CheckResult r = zol::Check_Text(f);
    write_back(f);
    if (r.outcome == CheckOutcome::Failed) {
        tell(r.message);
        if (r.select_opt_group2) Opt_group2->setChecked(true);
        if (QWidget* w = control_for_focus(static_cast<int>(r.focus))) w->setFocus();
        return false;
    }
    date_from_ = r.dates.date_from;
    date_to_ = r.dates.date_to;
    payday_from_ = r.dates.payday_from;
    payday_to_ = r.dates.payday_to;
    if (r.outcome == CheckOutcome::NeedsQuestion) return hooks_.ask_yes_no(q(r.message));
    return true;
}

}  // namespace zol
