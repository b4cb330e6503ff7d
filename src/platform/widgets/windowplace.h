#pragma once

#include <functional>

class QWidget;

// Window-manager workarounds for a window that the program hides and shows:
// - The window manager frames a window only once it is shown; `exposed` runs
//   at its first exposure after the first show, and after every show that
//   follows a hide by the program, when the frame is known.
// - Shown again after the program hid it, the window goes back where it was:
//   some window managers (GNOME's under XWayland) put it back a title bar's
//   height off; when they take the frame away they leave the window where
//   the frame was.
void keepPlace(QWidget *window, std::function<void()> exposed);
