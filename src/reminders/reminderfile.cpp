#include "reminderfile.h"

#include "atomicfile.h"
#include "privatefolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

bool besideTheProgram(const QString &applicationDirectory)
{
    return PrivateFolder::isUsersOwn(applicationDirectory, ::geteuid());
}

} // namespace

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
