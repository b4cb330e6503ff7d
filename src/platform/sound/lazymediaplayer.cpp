#include "lazymediaplayer.h"

#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QtDebug>

LazyMediaPlayer::LazyMediaPlayer(QString modulePath, QObject *parent)
    : QObject(parent)
    , m_module(std::move(modulePath))
{
}

LazyMediaPlayer::~LazyMediaPlayer()
{
    if (m_loader) {
        m_loader->disconnect(this);
        if (m_loader->isRunning())
            m_loader->wait();
        delete m_loader;
    }
    // The player's code lives in the module, which stays loaded to the end.
    m_player.reset();
}

void LazyMediaPlayer::prepare()
{
    if (m_player) {
        m_player->prepare(); // the next alarm's player
        return;
    }
    if (m_loader || !m_error.isEmpty())
        return;
    // Loading maps Qt Multimedia with its sound libraries, and the warm-up
    // reads GStreamer's plugin registry (or builds it, on a first run): tens
    // to hundreds of milliseconds that belong on no window's thread.
    m_loader = QThread::create([this] {
        if (m_module.load()) {
            if (const auto warmUp = reinterpret_cast<WarmUp>(m_module.resolve(kWarmUp)))
                warmUp();
        }
    });
    connect(m_loader, &QThread::finished, this, &LazyMediaPlayer::loadFinished);
    // Not while the window is still being built and shown (an alarm restored
    // at start is armed before that): the loader would compete with it for
    // the dynamic linker and the processor.
    QTimer::singleShot(kStartDelayMs, m_loader, [this] { startLoading(); });
}

void LazyMediaPlayer::startLoading()
{
    if (m_loader && !m_loader->isRunning() && !m_loader->isFinished())
        m_loader->start(QThread::LowPriority);
}

void LazyMediaPlayer::loadFinished()
{
    delete std::exchange(m_loader, nullptr);
    createPlayer();
    if (m_player)
        m_player->prepare();
    if (std::exchange(m_pendingPlay, false))
        setFileName(m_fileName);
}

void LazyMediaPlayer::createPlayer()
{
    if (m_player || !m_error.isEmpty())
        return;
    const auto create = reinterpret_cast<Factory>(m_module.resolve(kFactory));
    if (!create) {
        // QLibrary's own message for a missing file names paths it made up.
        m_error = QFileInfo::exists(m_module.fileName())
                      ? m_module.errorString()
                      : QStringLiteral("%1 is missing").arg(m_module.fileName());
        qWarning("Belltide cannot load its media player (%s); alarms play the built-in tone instead",
                 qPrintable(m_error));
        return;
    }
    m_player.reset(create());
}

MediaPlayer *LazyMediaPlayer::player()
{
    createPlayer();
    return m_player.get();
}

void LazyMediaPlayer::setFileName(const QString &path)
{
    m_fileName = path;
    m_tone.stop();
    if (m_loader) {
        m_pendingPlay = true; // plays as soon as the loading ends
        startLoading();
        return;
    }
    if (MediaPlayer *p = player())
        p->setFileName(path);
    else
        m_tone.play();
}

bool LazyMediaPlayer::isPlaying() const
{
    return m_pendingPlay || m_tone.isPlaying() || (m_player && m_player->isPlaying());
}

void LazyMediaPlayer::stop()
{
    m_pendingPlay = false;
    m_tone.stop();
    if (m_player)
        m_player->stop();
}
