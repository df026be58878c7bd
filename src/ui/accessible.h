// What assistive technology (a screen reader over AT-SPI) is told of the windows' controls.
#pragma once

#include <QString>

class QWidget;

namespace zol {

// Names a control for assistive technology. An editable combo's edit line and its list,
// which take the focus in its place, get the same name.
void set_accessible_name(QWidget* control, const QString& name);

// The window's option buttons keep their pair exclusive themselves, which Qt would report
// as check boxes: reported as the radio buttons they are. Safe to call again.
void expose_option_buttons();

}  // namespace zol
