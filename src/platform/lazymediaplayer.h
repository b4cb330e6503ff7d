#pragma once

#include "mediaplayer.h"

#include <QLibrary>

#include <memory>

// The media player as the program holds it: Qt Multimedia and the sound
// libraries under it live in a module of their own that is loaded when the
// first alarm plays, so none of them slows the program's start or fills its
// memory while it waits.
class LazyMediaPlayer final : public MediaPlayer
{
public:
    explicit LazyMediaPlayer(QString modulePath);
    ~LazyMediaPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }
    void stop() override;
    void setAlarmFlag(bool on) override { m_alarmFlag = on; }
    bool alarmFlag() const override { return m_alarmFlag; }

    bool isLoaded() const { return m_player != nullptr; }
    QString errorString() const { return m_error; }

    // The module's one entry point.
    static constexpr char kFactory[] = "belltide_create_media_player";
    using Factory = MediaPlayer *(*)();

private:
    MediaPlayer *player();

    QLibrary m_module;
    std::unique_ptr<MediaPlayer> m_player;
    QString m_fileName;
    QString m_error;
    bool m_alarmFlag = false;
};
