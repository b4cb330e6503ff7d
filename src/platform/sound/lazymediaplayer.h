#pragma once

#include "fallbacktone.h"
#include "mediaplayer.h"

#include <QLibrary>
#include <QObject>

#include <memory>

class QThread;

// The media player as the program holds it: Qt Multimedia and the sound
// libraries under it live in a module of their own, so none of them slows the
// program's start or fills its memory while no alarm is armed.
//
// prepare() loads the module, and readies Qt Multimedia and GStreamer, on a
// worker thread; only the player object itself is then made on this thread,
// so an alarm neither waits for the loading nor blocks the window with it. An
// alarm that fires while the loading still runs starts playing when it ends;
// one that fires with nothing prepared loads the module there and then.
//
// When the module cannot be loaded (a broken or partial install), the reason
// is reported once and every alarm plays the built-in tone through FallbackTone,
// which needs neither the module nor Qt Multimedia.
class LazyMediaPlayer final : public QObject, public MediaPlayer
{
    Q_OBJECT

public:
    explicit LazyMediaPlayer(QString modulePath, QObject *parent = nullptr);
    ~LazyMediaPlayer() override;

    void setFileName(const QString &path) override;
    QString fileName() const override { return m_fileName; }
    void stop() override;
    void prepare() override;
    bool isPlaying() const override;

    bool isLoaded() const { return m_player != nullptr; }
    bool isLoading() const { return m_loader != nullptr; }
    QString errorString() const { return m_error; }

    // The module's entry points: the player, and what readies the libraries
    // under it (safe to run on any thread, once, before the player is made).
    static constexpr char kFactory[] = "belltide_create_media_player";
    static constexpr char kWarmUp[] = "belltide_warm_up_media";
    using Factory = MediaPlayer *(*)();
    using WarmUp = void (*)();
    // How long after prepare() the loading starts.
    static constexpr int kStartDelayMs = 500;

private:
    void startLoading();
    void loadFinished();
    MediaPlayer *player();
    void createPlayer();

    QLibrary m_module;
    QThread *m_loader = nullptr;
    std::unique_ptr<MediaPlayer> m_player;
    FallbackTone m_tone;
    QString m_fileName;
    QString m_error;
    bool m_pendingPlay = false;
};
