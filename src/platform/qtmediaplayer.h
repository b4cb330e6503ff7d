#pragma once

#include "mediaplayer.h"

#include <QObject>

class QAudioOutput;
class QMediaPlayer;

// The media player on Qt Multimedia. The player and its audio output are made
// on first use, so their start-up cost stays off the program's start.
class QtMediaPlayer final : public QObject, public MediaPlayer
{
    Q_OBJECT

public:
    explicit QtMediaPlayer(QObject *parent = nullptr);
    ~QtMediaPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }
    void stop() override;
    void setAlarmFlag(bool on) override { m_alarmFlag = on; }
    bool alarmFlag() const override { return m_alarmFlag; }

private:
    void ensurePlayer();

    QMediaPlayer *m_player = nullptr;
    QAudioOutput *m_output = nullptr;
    QString m_fileName;
    bool m_alarmFlag = false;
};
