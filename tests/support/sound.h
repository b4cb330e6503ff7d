#pragma once

#include <QDir>
#include <QFileInfo>
#include <QProcess>

// How many sound streams the private desktop's null sink has; with `playing`,
// how many are not paused. Counted by streams.sh, as the e2e stories count them.
inline int soundStreams(bool playing = false)
{
    QProcess count;
    const QString script = QFileInfo(QStringLiteral(__FILE__)).dir().filePath(QStringLiteral("streams.sh"));
    count.start(QStringLiteral("bash"), {script, playing ? QStringLiteral("playing") : QString()});
    count.waitForFinished(-1);
    return count.readAllStandardOutput().trimmed().toInt();
}
