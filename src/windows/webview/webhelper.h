#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

class Form1;
class QSocketNotifier;

// The helper's side of the conversation with Belltide: reads commands, one a
// line, from a file descriptor (its standard input) and keeps the one Form1.
//   show              create Form1 if need be, show it and bring it forward
//   navigate <url>    load the address in Form1, creating it hidden if need be
//   close             close Form1, as its close box does
// Closing Form1 says "closed" on standard output and ends the helper, and so
// does the end of the input, with or without a window. Form1 becoming the
// active window says "active".
//
// With BELLTIDE_WEB_LOG=1 in the environment the helper also reports on
// standard output what the tests want to see: "window <w>x<h> <caption>" when
// it creates Form1, "request <url>" for each address its pages ask for, and
// "loaded ok|failed <url>" when a load ends.
class WebHelper : public QObject
{
    Q_OBJECT

public:
    explicit WebHelper(int inputFd, QObject *parent = nullptr);
    ~WebHelper() override;

    void command(const QByteArray &line);

signals:
    void finished();

private:
    Form1 *form();
    void readInput();
    void windowClosed();

    int m_inputFd;
    QSocketNotifier *m_notifier = nullptr;
    QByteArray m_pending;
    QPointer<Form1> m_form;
    bool m_log = false;
    bool m_finished = false;
};

// Writes one line to standard output at once, for the program at the other
// end of the pipe.
void say(const QByteArray &line);
