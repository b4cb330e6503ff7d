#pragma once

#include <QList>
#include <QString>

// A folder of the user's alone, where the copies of one of the user's
// programs meet (a lock and a socket). No other user may plant anything
// there, so no one else can keep a copy from starting or take its requests.
namespace PrivateFolder {

struct Candidate
{
    QString folder;
    bool create = false; // made, with mode 0700, when it does not exist
};

// The first candidate that is a private folder of `user`'s: a real folder
// (not a link) that belongs to the user and that nobody else may enter.
// Empty when there is none.
QString choose(const QList<Candidate> &candidates, uint user);

// The runtime folder ($XDG_RUNTIME_DIR), else the folder `name` in the user's
// cache folder. Never the shared temporary folder, where anyone may take a
// name first.
QList<Candidate> defaultCandidates(const QString &name);

} // namespace PrivateFolder
