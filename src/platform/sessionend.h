#pragma once

#include <QObject>

// Says when the desktop session is ending (a logout or a shutdown), so the
// program can leave the way it does when its window is closed, while there is
// still time to save.
class SessionEnd : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void ending();
};
