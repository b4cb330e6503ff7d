#include "lazymediaplayer.h"

#include <QDebug>

LazyMediaPlayer::LazyMediaPlayer(QString modulePath)
    : m_module(std::move(modulePath))
{
}

LazyMediaPlayer::~LazyMediaPlayer()
{
    // The player's code lives in the module, which stays loaded to the end.
    m_player.reset();
}

MediaPlayer *LazyMediaPlayer::player()
{
    if (m_player || !m_error.isEmpty())
        return m_player.get();
    const auto create = reinterpret_cast<Factory>(m_module.resolve(kFactory));
    if (!create) {
        m_error = m_module.errorString();
        qWarning("Belltide cannot load its media player: %s", qPrintable(m_error));
        return nullptr;
    }
    m_player.reset(create());
    return m_player.get();
}

void LazyMediaPlayer::setFileName(const QString &path)
{
    m_fileName = path;
    if (MediaPlayer *p = player())
        p->setFileName(path);
}

void LazyMediaPlayer::stop()
{
    // Nothing can play before the module is loaded.
    if (m_player)
        m_player->stop();
}
