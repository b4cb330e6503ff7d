#include "viewerinstance.h"

#include "privatefolder.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <unistd.h>

namespace {

QString baseName(const QString &helpFile)
{
    // A folder of the user's alone: nobody else may plant a viewer there that
    // takes this one's requests and keeps the help from showing.
    const QString dir =
        PrivateFolder::choose(PrivateFolder::defaultCandidates(QStringLiteral("belltide-instance")), ::geteuid());
    if (dir.isEmpty())
        return {};
    // The same file under another spelling of its path is the same file.
    const QFileInfo info(helpFile);
    const QString key = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return dir + QStringLiteral("/belltide-help-") + QString::fromLatin1(hash);
}

// One request on the wire: three lines, command, keyword, activation token.
QByteArray encode(int command, const QString &key, const QString &token)
{
    QString k = key, t = token;
    k.replace(u'\n', u' ');
    t.replace(u'\n', u' ');
    return QByteArray::number(command) + '\n' + k.toUtf8() + '\n' + t.toUtf8() + '\n';
}

} // namespace

ViewerInstance::ViewerInstance(const QString &helpFile, QObject *parent)
    : QObject(parent)
    , m_socketPath(baseName(helpFile))
    , m_lock(m_socketPath.isEmpty() ? QString() : m_socketPath + QStringLiteral(".lock"))
{
    if (!m_socketPath.isEmpty())
        m_socketPath += QStringLiteral(".socket");
}

ViewerInstance::~ViewerInstance()
{
    if (m_server) {
        m_server->close();
        QFile::remove(m_socketPath);
    }
}

bool ViewerInstance::claim(int command, const QString &key, const QString &activationToken)
{
    if (m_socketPath.isEmpty())
        return true; // no private folder to meet in: a viewer of its own
    if (m_lock.tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true;

    // The viewer that holds the lock may be between taking it and listening:
    // it gets a few seconds, then this one shows the file itself.
    const QDeadlineTimer deadline(5000);
    do {
        QLocalSocket socket;
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(1000)) {
            socket.write(encode(command, key, activationToken));
            if (socket.waitForBytesWritten(2000)) {
                socket.disconnectFromServer();
                if (socket.state() != QLocalSocket::UnconnectedState)
                    socket.waitForDisconnected(2000);
                return false;
            }
        }
        QThread::msleep(100);
    } while (!deadline.hasExpired());
    return true;
}

void ViewerInstance::listen()
{
    QFile::remove(m_socketPath); // left by a viewer that was killed
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath))
        return; // no socket: later starts show the file in viewers of their own
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                // A request is small; anything longer is not one of ours.
                if (peer->bytesAvailable() > 4096) {
                    peer->abort();
                    return;
                }
                const QByteArray request = peer->peek(4096);
                if (request.count('\n') < 3)
                    return; // the rest is on its way
                peer->readAll();
                const QList<QByteArray> lines = request.split('\n');
                bool ok = false;
                const int command = lines.at(0).toInt(&ok);
                if (ok)
                    emit requested(command, QString::fromUtf8(lines.at(1)), QString::fromUtf8(lines.at(2)));
                peer->disconnectFromServer();
            });
        }
    });
}
