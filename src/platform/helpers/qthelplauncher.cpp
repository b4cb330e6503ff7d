#include "qthelplauncher.h"

#include <QCoreApplication>
#include <QProcess>

QtHelpLauncher::QtHelpLauncher()
    : QtHelpLauncher(defaultViewerProgram())
{
}

QtHelpLauncher::QtHelpLauncher(QString viewerProgram)
    : m_viewer(std::move(viewerProgram))
{
}

QString QtHelpLauncher::defaultViewerProgram()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/belltide-help");
}

void QtHelpLauncher::showHelp(const QString &helpFile, const QString &helpKey, int helpCommand)
{
    // Detached: the viewer is the desktop's window from now on, not our child,
    // so it stays open when Belltide ends and never leaves a zombie behind.
    m_lastStarted = QProcess::startDetached(m_viewer, {helpFile, QString::number(helpCommand), helpKey});
}
