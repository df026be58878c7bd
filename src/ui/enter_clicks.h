// Enter on a focused command button clicks it, as Space does, in both windows; no button
// is a default button.
#pragma once

class QPushButton;

namespace zol {

void click_on_enter(QPushButton* button);

}  // namespace zol
