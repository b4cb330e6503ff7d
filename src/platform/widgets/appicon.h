#pragma once

#include <QIcon>
#include <QPixmap>

// The program's clock face: a black rim, a dial chequered in yellow and white,
// and two red hands at twelve and three. Drawn, so it is sharp at any size.
QPixmap clockFacePixmap(int size);
QIcon appIcon();
