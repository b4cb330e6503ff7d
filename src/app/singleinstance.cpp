#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {

QString instanceName(const QString &key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return QStringLiteral("belltide-") + QString::fromLatin1(hash);
}

QString lockPath(const QString &name)
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + u'/' + name + QStringLiteral(".lock");
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_name(instanceName(key))
    , m_lock(lockPath(m_name))
{
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (m_lock.tryLock(0)) {
        m_server = new QLocalServer(this);
        m_server->setSocketOptions(QLocalServer::UserAccessOption);
        QLocalServer::removeServer(m_name); // left by a copy that was killed
        if (m_server->listen(m_name)) {
            connect(m_server, &QLocalServer::newConnection, this, [this] {
                while (QLocalSocket *peer = m_server->nextPendingConnection()) {
                    peer->deleteLater();
                    emit activationRequested();
                }
            });
        }
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true; // no lock can be had at all: better two copies than none

    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(1000)) {
        socket.write("raise\n");
        socket.waitForBytesWritten(1000);
        socket.disconnectFromServer();
    }
    return false;
}
