// The name under which the window shows itself to the desktop: its desktop file name (the
// Wayland app id), its X11 window class, and the StartupWMClass of every menu entry that
// starts it, so that a dock matches the running window to its entry, name and icon.
#pragma once

namespace zol {

inline constexpr const char* kDesktopName = "zol5300";

}  // namespace zol
