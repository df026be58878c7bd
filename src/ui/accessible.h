// What assistive technology (a screen reader over AT-SPI) is told of the windows' controls.
#pragma once

#include <QString>

class QWidget;

namespace zol {

// Names a control for assistive technology. An editable combo's edit line and its list,
// which take the focus in its place, get the same name.
void set_accessible_name(QWidget* control, const QString& name);

// The query window's own controls as assistive technology should see them: its option
// buttons, which keep their pair exclusive themselves and which Qt would report as check
// boxes, as radio buttons; its combos named by their labels. Safe to call again.
void expose_window_controls();

}  // namespace zol
