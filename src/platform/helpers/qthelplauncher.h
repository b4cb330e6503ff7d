#pragma once

#include "helplauncher.h"

#include <QString>

// Starts the program's own help viewer, `belltide-help`, as a process of its
// own: it outlives Belltide, and whatever goes wrong in it (a missing help
// file included) is shown in its own window, never in Belltide's.
class QtHelpLauncher final : public HelpLauncher
{
public:
    // The viewer that lies beside the program file.
    QtHelpLauncher();
    // Another viewer program, for tests.
    explicit QtHelpLauncher(QString viewerProgram);

    static QString defaultViewerProgram();
    QString viewerProgram() const { return m_viewer; }

    // Arguments: the help file, the command as a decimal number, the keyword.
    // A viewer that cannot be started is passed over in silence, as the
    // help menu promises nothing more than an attempt.
    void showHelp(const QString &helpFile, const QString &helpKey, int helpCommand) override;

    // Whether the last showHelp managed to start the viewer.
    bool lastStarted() const { return m_lastStarted; }

private:
    QString m_viewer;
    bool m_lastStarted = false;
};
