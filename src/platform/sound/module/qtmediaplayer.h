#pragma once

#include "mediaplayer.h"

#include <QElapsedTimer>
#include <QObject>

#include <memory>

class QMediaPlayer;
class QTemporaryFile;
class QTimer;
class QUrl;

// The media player on Qt Multimedia (GStreamer). The alarm must never fail
// silently: when the chosen file cannot be played, the player plays the
// built-in alarm tone once instead, and says nothing on screen, since whoever
// set the alarm is probably asleep.
//
// Qt Multimedia objects are made on first use or by prepare(), so their cost
// stays off the program's start and, once an alarm is armed, off the alarm's
// moment. Each playback gets a fresh QMediaPlayer, and one that
// has failed is thrown away at once: after an error the next setSource() or
// stop() on the same QMediaPlayer blocks the GUI thread for a second.
class QtMediaPlayer final : public QObject, public MediaPlayer
{
    Q_OBJECT

public:
    enum class State { Idle, PlayingFile, PlayingFallback };
    Q_ENUM(State)

    // The player's volume, as the alarm has always had it: -6 dB.
    static constexpr float volumeDecibels = -6.0f;
    // Playback whose position has not moved for this long counts as failed.
    static constexpr int stallLimitMs = 3000;

    explicit QtMediaPlayer(QObject *parent = nullptr);
    ~QtMediaPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }
    void stop() override;
    // Makes the next playback's player and audio output ahead of time. The
    // file is still looked at only when it is set.
    void prepare() override;
    bool isPlaying() const override { return m_state != State::Idle; }

    State state() const { return m_state; }

signals:
    void stateChanged(QtMediaPlayer::State state);
    // The file or the alarm tone played to its end; stop() does not send it.
    void playbackEnded();

private:
    QMediaPlayer *makePlayer();
    void startPlayer(const QUrl &url, bool toneInMemory);
    void startFallback();
    void startToneFromMemory();
    void playbackFailed(const QString &why);
    void playbackFinished();
    void checkProgress();
    void discardPlayer();
    bool writeToneFile();
    void setState(State state);

    QMediaPlayer *m_player = nullptr;
    QMediaPlayer *m_spare = nullptr; // made by prepare(), not yet used
    QTimer *m_watchdog = nullptr;
    QElapsedTimer m_sinceProgress;
    qint64 m_lastPosition = 0;
    qint64 m_furthestPosition = 0;
    std::unique_ptr<QTemporaryFile> m_toneFile;
    bool m_toneFromMemory = false;
    State m_state = State::Idle;
    QString m_fileName;
};
