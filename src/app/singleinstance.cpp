#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Far beyond any real token; keeps a stray writer from filling our memory.
constexpr qsizetype kMaxToken = 4096;

QString runtimeFolder()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return dir.isEmpty() ? QDir::tempPath() : dir;
}

QString baseName(const QString &key)
{
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return runtimeFolder() + QStringLiteral("/belltide-") + QString::fromLatin1(hash);
}

bool toAddress(const QString &path, sockaddr_un *address)
{
    const QByteArray bytes = QFile::encodeName(path);
    if (bytes.size() >= qsizetype(sizeof(address->sun_path)))
        return false;
    std::memset(address, 0, sizeof(*address));
    address->sun_family = AF_UNIX;
    std::memcpy(address->sun_path, bytes.constData(), bytes.size());
    return true;
}

} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent)
    , m_socketPath(baseName(key) + QStringLiteral(".socket"))
    , m_lock(baseName(key) + QStringLiteral(".lock"))
{
}

SingleInstance::~SingleInstance()
{
    release();
}

void SingleInstance::release()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_listener >= 0) {
        ::close(m_listener);
        m_listener = -1;
        QFile::remove(m_socketPath);
    }
    m_lock.unlock();
}

bool SingleInstance::claim(const QByteArray &activationToken)
{
    if (m_lock.tryLock(0)) {
        listen();
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true; // no lock can be had at all: better two copies than none

    sockaddr_un address;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd >= 0 && toAddress(m_socketPath, &address)
        && ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0) {
        // One line: "raise", a blank and the token. The first copy may hang
        // up before reading: no SIGPIPE for that.
        const QByteArray line = "raise " + activationToken.left(kMaxToken) + '\n';
        [[maybe_unused]] const ssize_t n = ::send(fd, line.constData(), size_t(line.size()), MSG_NOSIGNAL);
    }
    if (fd >= 0)
        ::close(fd);
    return false;
}

void SingleInstance::listen()
{
    sockaddr_un address;
    if (!toAddress(m_socketPath, &address))
        return;
    QFile::remove(m_socketPath); // left by a copy that was killed
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_listener < 0)
        return;
    if (::bind(m_listener, reinterpret_cast<sockaddr *>(&address), sizeof(address)) != 0
        || ::listen(m_listener, 4) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return;
    }
    m_notifier = new QSocketNotifier(m_listener, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        while (true) {
            const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (peer < 0)
                break;
            answer(peer);
        }
    });
}

// Reads the new copy's line, which follows its connect at once; a copy that
// says nothing within a moment (or an older one that sends no token) still
// brings this one forward.
void SingleInstance::answer(int peer)
{
    timeval wait = {2, 0};
    ::setsockopt(peer, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof(wait));
    QByteArray line;
    char buffer[kMaxToken + 16];
    for (int reads = 0; reads < 4 && !line.contains('\n') && line.size() <= kMaxToken + 8; ++reads) {
        const ssize_t n = ::recv(peer, buffer, sizeof(buffer), 0);
        if (n <= 0)
            break;
        line.append(buffer, n);
    }
    ::close(peer);
    line.truncate(line.indexOf('\n') < 0 ? line.size() : line.indexOf('\n'));
    QByteArray token = line.startsWith("raise ") ? line.mid(6) : QByteArray();
    // It goes into an environment variable and an X11 message: printable
    // ASCII only, or none at all.
    for (const char c : std::as_const(token)) {
        if (c <= ' ' || c > '~') {
            token.clear();
            break;
        }
    }
    emit activationRequested(token.left(kMaxToken));
}
