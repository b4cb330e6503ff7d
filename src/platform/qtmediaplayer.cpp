#include "qtmediaplayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

QtMediaPlayer::QtMediaPlayer(QObject *parent)
    : QObject(parent)
{
}

QtMediaPlayer::~QtMediaPlayer() = default;

void QtMediaPlayer::ensurePlayer()
{
    if (m_player)
        return;
    m_player = new QMediaPlayer(this);
    m_output = new QAudioOutput(this);
    m_output->setVolume(0.5); // -6 dB
    m_player->setAudioOutput(m_output);
}

void QtMediaPlayer::setFileName(const QString &path)
{
    m_fileName = path;
    ensurePlayer();
    m_player->setSource(QUrl::fromLocalFile(path));
    m_player->play();
}

void QtMediaPlayer::stop()
{
    if (m_player)
        m_player->stop();
}
