#include "privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace PrivateFolder {

namespace {

bool isPrivate(const QByteArray &path, uint user)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == user
        && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

} // namespace

QString choose(const QList<Candidate> &candidates, uint user)
{
    for (const Candidate &c : candidates) {
        if (c.folder.isEmpty())
            continue;
        const QByteArray path = QFile::encodeName(c.folder);
        if (c.create && QDir().mkpath(QFileInfo(c.folder).path()))
            ::mkdir(path.constData(), 0700); // an existing folder is judged as it is
        if (isPrivate(path, user))
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
