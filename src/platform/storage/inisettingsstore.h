#pragma once

#include "settingsstore.h"

#include <QByteArray>
#include <QList>

// The settings store on Linux: one INI file per user.
//
//   [Corvanta\lastsettings]
//   timealarm="7:30"
//
// Values are always written quoted, with C-style escapes, so any text
// (leading blanks, commas, quotes, line breaks, any Unicode) comes back
// exactly. Every save replaces the whole file atomically. A file that cannot
// be read, or holds garbage, reads as empty values and never stops a start;
// one that could not be read is moved aside before the first save, never
// replaced.
class IniSettingsStore final : public SettingsStore
{
public:
    explicit IniSettingsStore(QString filePath);

    // The per-user file under the XDG config folder.
    static QString defaultFilePath();

    QString get(const QString &area, const QString &section, const QString &key) const override;
    using SettingsStore::save;
    bool save(const QList<Entry> &entries) override;
    QString errorString() const override { return m_error; }
    QString location() const override { return m_filePath; }

    // The file format, apart from the file.
    struct Section
    {
        QString name; // "area\section"
        QList<std::pair<QString, QString>> values;
    };
    static QList<Section> parse(const QByteArray &content);
    static QByteArray serialize(const QList<Section> &sections);

    // Larger files are not ours: they read as empty rather than slow a start.
    // A save that would make the file larger fails and keeps the old file.
    static constexpr qint64 kMaxFileSize = 16 << 20;

private:
    void load() const;
    bool moveUnreadableAside();

    QString m_filePath;
    QString m_error;
    mutable bool m_loaded = false;
    mutable QList<Section> m_sections;
    // The file was there at the first read but could not be read: what it
    // holds is not known, so no save may replace it.
    mutable bool m_unreadable = false;
};
