#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The reminder file: one line, the text between double quotes, then CR LF, in
// UTF-8. A double quote inside the text is written doubled and read back as
// one, so every text comes back whole; older files without doubled quotes read
// as they always did.
namespace ReminderFile {

QByteArray encode(const QString &text);

// The first field of the content: blanks before it are skipped; a quoted field
// runs to the next lone double quote (or to the end when it is never closed);
// an unquoted field runs to the next comma or line end. No field: nullopt.
std::optional<QString> firstField(const QByteArray &content);

// Writes the file atomically: a crash leaves the old file or the new one,
// never half of either. A text too long to be read back whole is refused. On
// failure returns false, sets *error and leaves the old file as it was.
bool write(const QString &path, const QString &text, QString *error);

// The file's first field; nullopt when the file is missing, unreadable or
// holds no field.
std::optional<QString> read(const QString &path);

// Where the reminder file lives: beside the program when the program's folder
// is the running user's own (PrivateFolder::isUsersOwn: a build, an install
// into the user's home), otherwise in the user's data folder. A reminder is
// private: it never goes where another user could read or replace it, nor
// into a folder installed for everyone, not even when that folder is writable
// (as it is for root).
QString location(const QString &applicationDirectory, const QString &userDataDirectory);
// The place not chosen, where the same user's copy of the program may have
// left a reminder: the data folder when the program's folder is used, and
// nothing (the empty text) otherwise, so that no other user's file is read.
QString otherLocation(const QString &applicationDirectory, const QString &userDataDirectory);

// Files larger than this are not ours; only their beginning is read. The
// writer never writes more.
constexpr qint64 kMaxReadSize = 4 << 20;

} // namespace ReminderFile
