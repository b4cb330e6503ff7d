#pragma once

#include <QByteArray>
#include <QString>

// Replaces a file's content as one step: the bytes go to a temporary file
// beside it, which is flushed to the disk and then renamed over the file. A
// crash, a kill or a full disk leaves the old file or the new one, never a
// mix and never an empty file. Every write is checked (QSaveFile in Qt 6.4
// reports success when its final flush fails on a full disk, and renames an
// empty file over the old one). Temporary files that a killed save left
// beside the file are removed by the next save.
//
// Returns false on failure, with the reason in *error.
bool writeFileAtomically(const QString &path, const QByteArray &content, QString *error);
