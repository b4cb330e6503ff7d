#include "singleinstance.h"

#include "privatefolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <memory>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Far beyond any real token; keeps a stray writer from filling our memory.
constexpr qsizetype kMaxToken = 4096;
// How long a new copy may take to say its line.
constexpr int kPeerPatienceMs = 2000;

QString baseName(const QString &key)
{
    const QString folder =
        PrivateFolder::choose(PrivateFolder::defaultCandidates(QStringLiteral("belltide-instance")), ::geteuid());
    if (folder.isEmpty())
        return {};
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/belltide-") + QString::fromLatin1(hash);
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
    , m_socketPath(baseName(key))
    , m_lock(m_socketPath.isEmpty() ? QString() : m_socketPath + QStringLiteral(".lock"))
{
    if (!m_socketPath.isEmpty())
        m_socketPath += QStringLiteral(".socket");
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
    if (m_socketPath.isEmpty())
        return true; // no private folder to meet in: better two copies than none
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
        // A token longer than any real one is not one: none is sent.
        const QByteArray line = "raise " + (activationToken.size() <= kMaxToken ? activationToken : QByteArray()) + '\n';
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
            const int peer = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (peer < 0)
                break;
            answer(peer);
        }
    });
}

// Reads the new copy's line as it comes, which follows its connect at once;
// a copy that says nothing within a moment (or an older one that sends no
// token) still brings this one forward. Nothing here waits for the peer: the
// clock keeps its second while a copy stalls.
void SingleInstance::answer(int peer)
{
    auto *notifier = new QSocketNotifier(peer, QSocketNotifier::Read, this);
    auto *patience = new QTimer(notifier);
    auto line = std::make_shared<QByteArray>();
    auto finish = [this, notifier, patience, peer, line] {
        patience->stop();
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(peer);
        emit activationRequested(tokenFrom(*line));
    };
    connect(patience, &QTimer::timeout, notifier, finish);
    connect(notifier, &QSocketNotifier::activated, notifier, [peer, line, finish] {
        char buffer[kMaxToken + 16];
        while (!line->contains('\n') && line->size() <= kMaxToken + 8) {
            const ssize_t n = ::recv(peer, buffer, sizeof(buffer), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return; // the rest is still on its way
            if (n <= 0)
                break; // hung up
            line->append(buffer, n);
        }
        finish();
    });
    patience->setSingleShot(true);
    patience->start(kPeerPatienceMs);
}

QByteArray SingleInstance::tokenFrom(QByteArray line)
{
    line.truncate(line.indexOf('\n') < 0 ? line.size() : line.indexOf('\n'));
    QByteArray token = line.startsWith("raise ") ? line.mid(6) : QByteArray();
    // It goes into an environment variable and an X11 message: printable
    // ASCII of a sane length only, or none at all.
    if (token.size() > kMaxToken)
        return {};
    for (const char c : std::as_const(token)) {
        if (c <= ' ' || c > '~')
            return {};
    }
    return token;
}
