#pragma once

// Gives this process the program's application id: the Wayland app id and
// the X11 window class, which desktops match with the desktop entry. Belltide
// and its helper programs all call it before their application object exists,
// so their windows are shown as one application's.
void adoptApplicationId();
