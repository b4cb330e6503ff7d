#pragma once

#include <QList>
#include <QString>

// The folders of the user's alone: what no other user may read, plant or
// replace. Two uses, two strengths of the same rule:
// - where the copies of one of the user's programs meet (a lock and a
//   socket): a private folder, so no one else can keep a copy from starting
//   or take its requests;
// - where a private file such as the reminder may live: a folder of the
//   user's own, which no one else may write, nor any folder above it.
namespace PrivateFolder {

// A real folder (not a link) that belongs to `user` and that nobody else may
// enter.
bool isPrivate(const QString &folder, uint user);

// True when `folder` is a folder of `user`'s alone: it and every folder above
// it belong to the user or to root, none of them can be written by anyone else
// (apart from sticky folders such as /tmp, where no one can move another's
// entries), and it lies outside the system's folders (/usr, /opt, /etc, ...),
// which serve every user even when they are writable (as they are for root).
bool isUsersOwn(const QString &folder, uint user);

struct Candidate
{
    QString folder;
    bool create = false; // made, with mode 0700, when it does not exist
};

// The first candidate that is a private folder of `user`'s. Empty when there
// is none.
QString choose(const QList<Candidate> &candidates, uint user);

// The runtime folder ($XDG_RUNTIME_DIR), else the folder `name` in the user's
// cache folder. Never the shared temporary folder, where anyone may take a
// name first.
QList<Candidate> defaultCandidates(const QString &name);

} // namespace PrivateFolder
