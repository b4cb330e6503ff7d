#include "qtmediaplayer.h"

#include "alarmtone.h"

#include <QAudioOutput>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>
#include <QtDebug>

#include <algorithm>

namespace {

// Only a readable, non-empty regular file goes to Qt Multimedia: anything else
// would only come back as an error, and an error is what leaves a QMediaPlayer
// stalling on its next call.
bool looksPlayable(const QFileInfo &file)
{
    return file.isFile() && file.isReadable() && file.size() > 0;
}

} // namespace

QtMediaPlayer::QtMediaPlayer(QObject *parent)
    : QObject(parent)
{
}

QtMediaPlayer::~QtMediaPlayer()
{
    // The players are children and would outlive this object's members; none
    // may call back into it while it is being taken down.
    if (m_player) {
        m_player->disconnect(this);
        delete m_player;
    }
}

void QtMediaPlayer::setFileName(const QString &path)
{
    m_fileName = path;
    discardPlayer();

    const QFileInfo file(path);
    if (path.isEmpty() || !looksPlayable(file)) {
        startFallback();
        return;
    }
    setState(State::PlayingFile);
    startPlayer(QUrl::fromLocalFile(file.absoluteFilePath()), false);
}

void QtMediaPlayer::stop()
{
    if (m_player) {
        // Silences at once; the stream itself goes with the player.
        m_player->disconnect(this);
        m_player->stop();
    }
    discardPlayer();
    setState(State::Idle);
}

void QtMediaPlayer::prepare()
{
    if (!m_spare)
        m_spare = makePlayer();
}

// A player with no source opens no sound stream: the stream appears when the
// file starts playing, not before.
QMediaPlayer *QtMediaPlayer::makePlayer()
{
    auto *player = new QMediaPlayer(this);
    auto *output = new QAudioOutput(player);
    output->setVolume(QAudio::convertVolume(volumeDecibels, QAudio::DecibelVolumeScale, QAudio::LinearVolumeScale));
    player->setAudioOutput(output);
    player->setLoops(1);
    return player;
}

void QtMediaPlayer::startPlayer(const QUrl &url, bool toneInMemory)
{
    if (!m_watchdog) {
        m_watchdog = new QTimer(this);
        m_watchdog->setInterval(500);
        connect(m_watchdog, &QTimer::timeout, this, &QtMediaPlayer::checkProgress);
    }

    QMediaPlayer *player = m_spare ? std::exchange(m_spare, nullptr) : makePlayer();
    m_player = player;

    // Qt Multimedia reports one failure several times over, sometimes from
    // inside setSource() or play(); only the first report of the player in use
    // counts.
    connect(player, &QMediaPlayer::errorOccurred, this, [this, player](QMediaPlayer::Error, const QString &text) {
        if (player == m_player)
            playbackFailed(text);
    });
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this, player](QMediaPlayer::MediaStatus status) {
        if (player != m_player)
            return;
        switch (status) {
        case QMediaPlayer::InvalidMedia:
            playbackFailed(QStringLiteral("invalid media"));
            break;
        case QMediaPlayer::BufferedMedia:
            // A picture or a silent video "plays" without a sound.
            if (!player->hasAudio())
                playbackFailed(QStringLiteral("no audio stream"));
            break;
        case QMediaPlayer::EndOfMedia:
            if (!player->hasAudio())
                playbackFailed(QStringLiteral("no audio stream"));
            // A WAV file cut off after its header "ends" at once, in silence.
            else if (player->duration() <= 0 && m_furthestPosition <= 0)
                playbackFailed(QStringLiteral("nothing to play"));
            else
                playbackFinished();
            break;
        default:
            break;
        }
    });

    connect(player, &QMediaPlayer::positionChanged, this, [this, player](qint64 position) {
        if (player == m_player)
            m_furthestPosition = std::max(m_furthestPosition, position);
    });

    m_lastPosition = 0;
    m_furthestPosition = 0;
    m_sinceProgress.start();
    m_watchdog->start();

    if (toneInMemory) {
        auto *buffer = new QBuffer(player);
        buffer->setData(AlarmTone::wav());
        buffer->open(QIODevice::ReadOnly);
        player->setSourceDevice(buffer, url);
    } else {
        player->setSource(url);
    }
    if (player == m_player)
        player->play();
}

void QtMediaPlayer::startFallback()
{
    setState(State::PlayingFallback);
    m_toneFromMemory = !writeToneFile();
    if (m_toneFromMemory)
        startToneFromMemory();
    else
        startPlayer(QUrl::fromLocalFile(m_toneFile->fileName()), false);
}

void QtMediaPlayer::startToneFromMemory()
{
    m_toneFromMemory = true;
    startPlayer(QUrl(QStringLiteral("alarmtone.wav")), true);
}

void QtMediaPlayer::playbackFailed(const QString &why)
{
    discardPlayer();
    if (m_state == State::PlayingFile) {
        startFallback();
        return;
    }
    // The tone file may have gone from the temporary folder meanwhile.
    if (m_state == State::PlayingFallback && !m_toneFromMemory) {
        m_toneFile.reset();
        startToneFromMemory();
        return;
    }
    qWarning("Belltide: the alarm tone could not be played (%s)", qUtf8Printable(why));
    setState(State::Idle);
}

void QtMediaPlayer::playbackFinished()
{
    discardPlayer();
    setState(State::Idle);
    emit playbackEnded();
}

void QtMediaPlayer::checkProgress()
{
    if (!m_player)
        return;
    const qint64 position = m_player->position();
    if (position != m_lastPosition) {
        m_lastPosition = position;
        m_sinceProgress.restart();
    } else if (m_sinceProgress.elapsed() >= stallLimitMs) {
        playbackFailed(QStringLiteral("playback made no progress"));
    }
}

void QtMediaPlayer::discardPlayer()
{
    if (m_watchdog)
        m_watchdog->stop();
    if (!m_player)
        return;
    QMediaPlayer *player = std::exchange(m_player, nullptr);
    player->disconnect(this);
    // Deleting takes a few milliseconds even after an error; it may not happen
    // inside the player's own signal.
    player->deleteLater();
}

// GStreamer reads the tone from a file, written once per run into a private
// temporary file and reused. Should that fail, the tone is played from memory.
bool QtMediaPlayer::writeToneFile()
{
    if (m_toneFile && m_toneFile->exists())
        return true;
    auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + QStringLiteral("/belltide-alarm-XXXXXX.wav"));
    const QByteArray wav = AlarmTone::wav();
    if (!file->open() || file->write(wav) != wav.size() || !file->flush())
        return false;
    m_toneFile = std::move(file);
    return true;
}

void QtMediaPlayer::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
