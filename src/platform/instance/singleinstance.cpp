#include "singleinstance.h"

#include "privatefolder.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Far beyond any real token; keeps a stray writer from filling our memory.
constexpr qsizetype kMaxToken = 4096;
constexpr qsizetype kMaxRequest = 2 * kMaxToken;
// How long a new copy may take to say its request.
constexpr int kPeerPatienceMs = 2000;
// How often, and how far apart, a new copy tries to reach the copy that
// holds the lock: about five seconds in all.
constexpr int kTries = 50;
constexpr int kTryPauseMs = 100;

QString baseName(const QString &place, const QString &key)
{
    const QString folder =
        PrivateFolder::choose(PrivateFolder::defaultCandidates(QStringLiteral("belltide-instance")), ::geteuid());
    if (folder.isEmpty())
        return {};
    const QByteArray hash = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + u'/' + place + u'-' + QString::fromLatin1(hash);
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

// It goes into an environment variable and an X11 message: printable ASCII
// of a sane length only, or none at all.
QByteArray tokenFrom(const QByteArray &line)
{
    QByteArray token = line.startsWith("raise ") ? line.mid(6) : QByteArray();
    if (token.size() > kMaxToken)
        return {};
    for (const char c : std::as_const(token)) {
        if (c <= ' ' || c > '~')
            return {};
    }
    return token;
}

} // namespace

SingleInstance::SingleInstance(const QString &place, const QString &key, QObject *parent)
    : QObject(parent)
    , m_socketPath(baseName(place, key))
    , m_lock(m_socketPath.isEmpty() ? QString() : m_socketPath + QStringLiteral(".lock"))
    , m_pause([] { QThread::msleep(kTryPauseMs); })
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

// True when this copy may run as the only one.
bool SingleInstance::tryLock()
{
    if (m_socketPath.isEmpty())
        return true; // no private folder to meet in: better two copies than none
    if (m_lock.tryLock(0)) {
        listen();
        return true;
    }
    return m_lock.error() != QLockFile::LockFailedError; // no lock can be had at all
}

SingleInstance::Claim SingleInstance::claim(const QByteArray &activationToken, const QStringList &arguments)
{
    // "raise", a blank and the token on the first line, then one line an
    // argument. A token longer than any real one is not one: none is sent.
    QByteArray request = "raise " + (activationToken.size() <= kMaxToken ? activationToken : QByteArray()) + '\n';
    for (QString argument : arguments)
        request += argument.replace(u'\n', u' ').toUtf8() + '\n';
    for (int attempt = 0; attempt < kTries; ++attempt) {
        if (attempt > 0)
            m_pause();
        // The copy that holds the lock may also have ended meanwhile.
        if (tryLock())
            return Claim::Mine;
        if (send(request))
            return Claim::HandedOver;
    }
    return Claim::Unanswered;
}

bool SingleInstance::send(const QByteArray &request) const
{
    sockaddr_un address;
    if (!toAddress(m_socketPath, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const bool sent = ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    // The first copy may hang up before reading: no SIGPIPE for that.
    if (sent) {
        [[maybe_unused]] const ssize_t n = ::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL);
    }
    ::close(fd);
    return sent;
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

// Reads the new copy's request as it comes, which follows its connect at once,
// up to its hang-up; a copy that says nothing within a moment (or an older one
// that sends no token) still brings this one forward. Nothing here waits for
// the peer: the clock keeps its second while a copy stalls.
void SingleInstance::answer(int peer)
{
    auto *notifier = new QSocketNotifier(peer, QSocketNotifier::Read, this);
    auto *patience = new QTimer(notifier);
    auto request = std::make_shared<QByteArray>();
    auto finish = [this, notifier, patience, peer, request] {
        patience->stop();
        notifier->setEnabled(false);
        notifier->deleteLater();
        ::close(peer);
        received(*request);
    };
    connect(patience, &QTimer::timeout, notifier, finish);
    connect(notifier, &QSocketNotifier::activated, notifier, [peer, request, finish] {
        char buffer[kMaxToken];
        while (request->size() <= kMaxRequest) {
            const ssize_t n = ::recv(peer, buffer, sizeof(buffer), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return; // the rest is still on its way
            if (n <= 0)
                break; // hung up
            request->append(buffer, n);
        }
        finish();
    });
    patience->setSingleShot(true);
    patience->start(kPeerPatienceMs);
}

void SingleInstance::received(const QByteArray &request)
{
    QList<QByteArray> lines = request.split('\n');
    const QByteArray token = tokenFrom(lines.takeFirst());
    // Only what ended in a newline was said whole.
    if (!lines.isEmpty())
        lines.removeLast();
    QStringList arguments;
    for (const QByteArray &line : std::as_const(lines))
        arguments << QString::fromUtf8(line);
    emit activationRequested(token, arguments);
}
