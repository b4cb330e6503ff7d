#pragma once

class QMenuBar;

// Makes a menu bar reachable from the keyboard on every desktop: Alt alone
// and F10 open it, then the arrow keys and Return choose an entry.
void enableMenuKeyboardAccess(QMenuBar *menuBar);
