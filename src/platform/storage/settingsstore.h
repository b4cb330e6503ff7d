#pragma once

#include <QList>
#include <QString>

// A per-user store of text values addressed by application area, section and
// key. Names compare without regard to letter case; a missing value reads as
// the empty text.
class SettingsStore
{
public:
    struct Entry
    {
        QString area;
        QString section;
        QString key;
        QString value;
    };

    virtual ~SettingsStore() = default;

    virtual QString get(const QString &area, const QString &section, const QString &key) const = 0;

    // Saves the entries, in order, as one change: either all of them reach the
    // store or none does. Returns false on failure; errorString() says why.
    virtual bool save(const QList<Entry> &entries) = 0;

    bool save(const QString &area, const QString &section, const QString &key, const QString &value)
    {
        return save(QList<Entry>{{area, section, key, value}});
    }

    virtual QString errorString() const = 0;
    // Where the values are kept, for messages to the user.
    virtual QString location() const = 0;
};
