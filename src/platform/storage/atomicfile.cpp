#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

bool writeAll(int fd, const QByteArray &content)
{
    const char *data = content.constData();
    qsizetype left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// The temporary files of a save are named after the file they replace, with
// this and six random characters behind it.
QString temporaryPrefix(const QString &path)
{
    return QFileInfo(path).fileName() + QStringLiteral(".saving-");
}

// A save that was killed leaves its temporary file behind. Each writer holds a
// lock on its own until it is done, so one that can be locked is left over.
void removeStaleTemporaries(const QString &path)
{
    const QFileInfo target(path);
    const QFileInfoList found = target.dir().entryInfoList({temporaryPrefix(path) + QStringLiteral("??????")},
                                                           QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QFileInfo &stale : found) {
        const QByteArray name = QFile::encodeName(stale.filePath());
        const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            ::unlink(name.constData());
        ::close(fd);
    }
}

// Creates a new temporary file beside the target, locked, with the mode a new
// file gets (the user's umask and the folder's default ACL applied).
int createTemporary(const QString &path, QByteArray *name)
{
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray prefix = QFile::encodeName(QFileInfo(path).dir().filePath(temporaryPrefix(path)));
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = prefix;
        for (int i = 0; i < 6; ++i)
            *name += kChars[QRandomGenerator::global()->bounded(int(sizeof kChars) - 1)];
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::flock(fd, LOCK_EX);
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

} // namespace

bool writeFileAtomically(const QString &path, const QByteArray &content, QString *error)
{
    removeStaleTemporaries(path);

    const QByteArray target = QFile::encodeName(path);
    QByteArray temporary;
    const int fd = createTemporary(path, &temporary);
    if (fd < 0) {
        if (error)
            *error = systemError();
        return false;
    }

    // The new file keeps the permissions of the one it replaces; a first one
    // keeps those it was created with.
    struct stat old;
    bool ok = ::stat(target.constData(), &old) != 0 || ::fchmod(fd, old.st_mode & 07777) == 0;
    ok = ok && writeAll(fd, content) && ::fsync(fd) == 0
        && ::rename(temporary.constData(), target.constData()) == 0;
    const int savedErrno = errno;
    // Closed only now, so that the lock covers the file until it is in place.
    // Its content is already on the disk.
    ::close(fd);
    if (!ok) {
        ::unlink(temporary.constData());
        errno = savedErrno;
        if (error)
            *error = systemError();
    }
    return ok;
}
