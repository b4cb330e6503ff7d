#pragma once

#include "shopwindow.h"

#include <QList>
#include <QObject>
#include <QString>

class QProcess;

// The web view window, kept in a helper program of its own (belltide-web) so
// that the web engine costs nothing until a shop button is first pressed.
//
// The first show() starts the helper and tells it what to do, one command a
// line on its standard input:
//   show              create the window if need be, show it and raise it
//   navigate <url>    load the address afresh (the URL fully encoded)
// The helper has at most one window and ends when the user closes it, saying
// "closed" on its standard output first; the next show() then starts a new
// helper. It also ends when its standard input reaches its end, which is how
// it goes away with this program. It says "active" each time its window
// becomes the active one.
//
// A helper that is missing or fails to start leaves the program as it was:
// show() and navigate() then do nothing.
class ProcessShopWindow final : public QObject, public ShopWindow
{
    Q_OBJECT

public:
    explicit ProcessShopWindow(QString helperProgram, QStringList arguments = {}, QObject *parent = nullptr);
    // Ends the helper with the program: its input is closed, and a helper that
    // has not ended shortly after is killed.
    ~ProcessShopWindow() override;

    void show() override;
    void navigate(const QUrl &address) override;
    void setActivationHandler(std::function<void()> handler) override { m_activated = std::move(handler); }

    // The running helper's process id, or 0 when there is none.
    qint64 helperProcessId() const;

    // How long the destructor lets a helper end on its own before killing it.
    static constexpr int kGraceOnExitMs = 1500;

private:
    QProcess *helper();
    void send(const QByteArray &line);
    void readHelperOutput(QProcess *process);
    void retire(QProcess *process);

    QString m_program;
    QStringList m_arguments;
    // The helper whose window is (or is about to be) on screen.
    QProcess *m_current = nullptr;
    // Helpers that have closed their window and are on their way out.
    QList<QProcess *> m_retiring;
    std::function<void()> m_activated;
};
