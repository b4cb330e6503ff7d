#pragma once

// The sound streams on the private desktop's null sink (tests/support/desktop.sh).

#include <QProcess>

// How many streams there are; with `playing`, how many are not paused.
inline int soundStreams(bool playing = false)
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    pactl.waitForFinished(10000);
    return int(pactl.readAllStandardOutput().count(playing ? "Corked: no" : "Sink Input #"));
}
