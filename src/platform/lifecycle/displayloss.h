#pragma once

#include <QObject>

// Qt ends the program when the connection to the display breaks (the X server
// or the Wayland compositor went away, as at the end of a session). This
// object says so on the way out, while the windows and their contents still
// exist: the one moment left to save.
// Only one may exist; an orderly end (main() returning) destroys it first.
class DisplayLoss : public QObject
{
    Q_OBJECT

public:
    explicit DisplayLoss(QObject *parent = nullptr);
    ~DisplayLoss() override;

signals:
    // Emitted at most once, on the GUI thread; handlers must not wait on
    // events.
    void lost();

public:
    // Called where the toolkit is about to end the program.
    static void tell();

private:
    static void saveNow();
};
