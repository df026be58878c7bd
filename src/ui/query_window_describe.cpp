// What the query window tells of its controls beyond their captions: the names a screen
// reader speaks (a field is named by its label, the second field of a pair by its label and
// "至"), and the tooltips that give each command its key.
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "ui/accessible.h"
#include "ui/masked_date_edit.h"
#include "ui/query_window.h"
#include "ui/query_window_controls.h"

namespace zol {

void ZOL5300F1::describe_controls() {
    const struct {
        QWidget* control;
        const char* name;
    } names[] = {
        {CBO_TranDay, "收款日期"},
        {CBO_TranDay2, "收款日期 至"},
        {Msk_payday1, "實(扣)繳日期"},
        {Msk_payday2, "實(扣)繳日期 至"},
        {CBO_Grade, "年級別"},
        {CBO_ClsID, "班別"},
        {CBO_ClsID2, "班別 至"},
        {CBO_SeatNo1, "座號"},
        {CBO_SeatNo2, "座號 至"},
        {Txt_StdNo1, "學號"},
        {Txt_StdNo2, "學號 至"},
        {CBO_paystas, "繳費狀況"},
        {CBO_preway, "預繳方式"},
        {CBO_GrpID, "繳費群組"},
        {Lst_status, "所有身分別"},
        {Lst_group, "繳費群組"},
        {Lst_item, "繳費項目"},
        // Three options read "全部": each is named with the list it is for.
        {Opt1, "身分別 全部"},
        {Opt_group1, "繳費群組 全部"},
        {Opt_item1, "繳費項目 全部"},
        {Frame1, "繳費群組"},
        {Frame2, "命令"},
        {Frame3, "繳費項目"},
    };
    for (const auto& n : names) set_accessible_name(n.control, QString::fromUtf8(n.name));

    const struct {
        QPushButton* button;
        const char* tip;
    } tips[] = {
        {Cmd_print, "列印報表到預設印表機（Alt+P）"},
        {Cmd_preprint, "在預覽視窗中逐頁查看報表（Alt+Z）"},
        {Cmd_clear, "把條件恢復為初始狀態（Alt+X）"},
        {Cmd_exit, "回到選單程式；資料夾中沒有選單程式時直接結束（Alt+E）"},
    };
    for (const auto& t : tips) t.button->setToolTip(QString::fromUtf8(t.tip));
}

}  // namespace zol
