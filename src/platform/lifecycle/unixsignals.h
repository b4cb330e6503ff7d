#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM (the desktop ending the session), SIGINT (Ctrl+C in a
// terminal) and SIGHUP (the terminal closed) into a signal on the GUI thread,
// so a program can leave the way it does when its window is closed.
class UnixSignals : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignals(QObject *parent = nullptr);
    ~UnixSignals() override;

signals:
    void terminationRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
