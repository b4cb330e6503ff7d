#include "reminderfile.h"

#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace ReminderFile {

QByteArray encode(const QString &text)
{
    QByteArray utf8 = text.toUtf8();
    utf8.replace('"', "\"\"");
    return '"' + utf8 + "\"\r\n";
}

std::optional<QString> firstField(const QByteArray &content)
{
    qsizetype i = 0;
    const qsizetype n = content.size();
    while (i < n && (content[i] == ' ' || content[i] == '\t'))
        ++i;
    if (i >= n || content[i] == '\r' || content[i] == '\n')
        return std::nullopt;

    QByteArray field;
    if (content[i] == '"') {
        for (++i; i < n; ++i) {
            if (content[i] != '"') {
                field += content[i];
            } else if (i + 1 < n && content[i + 1] == '"') {
                field += '"';
                ++i;
            } else {
                break;
            }
        }
    } else {
        qsizetype end = i;
        while (end < n && content[end] != ',' && content[end] != '\r' && content[end] != '\n')
            ++end;
        field = content.mid(i, end - i);
        while (field.endsWith(' ') || field.endsWith('\t'))
            field.chop(1);
    }
    return QString::fromUtf8(field);
}

bool write(const QString &path, const QString &text, QString *error)
{
    const QByteArray content = encode(text);
    if (content.size() > kMaxReadSize) {
        if (error)
            *error = QStringLiteral("The reminder is longer than Belltide can read back (%1 MiB).")
                         .arg(kMaxReadSize >> 20);
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    return writeFileAtomically(path, content, error);
}

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

bool besideTheProgram(const QString &applicationDirectory)
{
    return isUsersOwnFolder(applicationDirectory, ::geteuid());
}

} // namespace

bool isUsersOwnFolder(const QString &folder, uint user)
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

QString location(const QString &applicationDirectory, const QString &userDataDirectory)
{
    return (besideTheProgram(applicationDirectory) ? applicationDirectory : userDataDirectory)
        + QStringLiteral("/reminder.ini");
}

QString otherLocation(const QString &applicationDirectory, const QString &userDataDirectory)
{
    return besideTheProgram(applicationDirectory) ? userDataDirectory + QStringLiteral("/reminder.ini") : QString();
}

std::optional<QString> read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return firstField(file.read(kMaxReadSize));
}

} // namespace ReminderFile
