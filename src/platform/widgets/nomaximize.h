#pragma once

class QWidget;

// For a window whose frame has no maximize button. Qt's own title bar on
// Wayland (GNOME draws none for its clients) shows one anyway; pressing it, or
// any other request to maximize, leaves the window as it was.
void refuseMaximize(QWidget *window);
