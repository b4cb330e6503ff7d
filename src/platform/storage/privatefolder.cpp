#include "privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace PrivateFolder {

namespace {

// Installed for every user of the machine, whoever owns them.
bool isSystemFolder(const QString &canonical)
{
    static const char *const kSystem[] = {"/usr", "/opt", "/etc", "/bin", "/sbin", "/lib", "/lib32", "/lib64",
                                          "/libx32", "/boot", "/srv", "/snap", "/var/lib", "/var/opt"};
    for (const char *system : kSystem) {
        const QString prefix = QString::fromLatin1(system);
        if (canonical == prefix || canonical.startsWith(prefix + u'/'))
            return true;
    }
    return canonical == QStringLiteral("/");
}

} // namespace

bool isPrivate(const QString &folder, uint user)
{
    struct stat st;
    return !folder.isEmpty() && ::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode)
        && st.st_uid == user && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

bool isUsersOwn(const QString &folder, uint user)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    if (canonical.isEmpty() || isSystemFolder(canonical))
        return false;
    struct stat st;
    if (::stat(QFile::encodeName(canonical).constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != user
        || (st.st_mode & (S_IWGRP | S_IWOTH)))
        return false;
    // Whoever may rename a folder above it may put another in its place.
    for (QDir up(canonical); up.cdUp();) {
        if (::stat(QFile::encodeName(up.path()).constData(), &st) != 0 || (st.st_uid != user && st.st_uid != 0)
            || ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX)))
            return false;
        if (up.isRoot())
            break;
    }
    return true;
}

QString choose(const QList<Candidate> &candidates, uint user)
{
    for (const Candidate &c : candidates) {
        if (c.folder.isEmpty())
            continue;
        if (c.create && QDir().mkpath(QFileInfo(c.folder).path()))
            ::mkdir(QFile::encodeName(c.folder).constData(), 0700); // an existing folder is judged as it is
        if (isPrivate(c.folder, user))
            return c.folder;
    }
    return {};
}

QList<Candidate> defaultCandidates(const QString &name)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return {{qEnvironmentVariable("XDG_RUNTIME_DIR"), false},
            {cache.isEmpty() ? QString() : cache + u'/' + name, true}};
}

} // namespace PrivateFolder
