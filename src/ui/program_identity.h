// How the program shows itself to the desktop: the icon of its windows, built into the
// program so that a copied exe/ folder has it too, and one name for the dock to match the
// running window to its menu entry (desktop file name and window class).
#pragma once

#include <QIcon>

namespace zol {

// The caption of the program's windows.
inline constexpr const char* kCaption = "Quorvane";

// The program's icon, drawn from its SVG at the sizes docks and title bars ask for.
QIcon program_icon();

// Names the application after its menu entry and gives every window the icon. Call once
// the application object exists, before the first window is shown.
void use_program_identity();

}  // namespace zol
