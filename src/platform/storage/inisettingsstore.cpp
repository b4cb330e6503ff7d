#include "inisettingsstore.h"

#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

QString sectionName(const QString &area, const QString &section)
{
    return area + u'\\' + section;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// The hash of a name as sameName() sees it: of each character in its simple
// case folding, as UTF-8. Names are nearly always ASCII: those are folded in
// `buffer` without asking the Unicode tables.
size_t foldedHash(QByteArrayView utf8, std::string &buffer)
{
    buffer.assign(utf8.data(), size_t(utf8.size()));
    for (char &c : buffer) {
        if (c & 0x80) { // not ASCII: fold the whole name the long way
            buffer.clear();
            for (const char32_t u : QString::fromUtf8(utf8).toUcs4())
                buffer += QStringView(QChar::fromUcs4(QChar::toCaseFolded(u))).toUtf8().toStdString();
            break;
        }
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return std::hash<std::string_view>()(buffer);
}

// Entries found again by the hash of their name: open addressing in one flat
// array, which grows by doubling. Nothing is kept per entry but its slot, so
// a file of a million small sections or keys reads without a million
// allocations.
class NameIndex
{
public:
    // The entry with this hash that `same` accepts, or `value` newly added;
    // true when added.
    template <typename Same>
    std::pair<qsizetype, bool> findOrAdd(size_t hash, qsizetype value, Same same)
    {
        if ((m_count + 1) * 2 > m_slots.size())
            grow();
        const size_t mask = m_slots.size() - 1;
        for (size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = m_slots[i];
            if (slot.value < 0) {
                slot = {hash, value};
                ++m_count;
                return {value, true};
            }
            if (slot.hash == hash && same(slot.value))
                return {slot.value, false};
        }
    }

private:
    struct Slot
    {
        size_t hash = 0;
        qsizetype value = -1;
    };
    void grow()
    {
        std::vector<Slot> old(std::max<size_t>(64, m_slots.size() * 2));
        old.swap(m_slots);
        const size_t mask = m_slots.size() - 1;
        for (const Slot &slot : old) {
            if (slot.value < 0)
                continue;
            size_t i = slot.hash & mask;
            while (m_slots[i].value >= 0)
                i = (i + 1) & mask;
            m_slots[i] = slot;
        }
    }
    std::vector<Slot> m_slots;
    size_t m_count = 0;
};

QByteArray quoted(const QString &value)
{
    QByteArray out;
    const QByteArray utf8 = value.toUtf8();
    out.reserve(utf8.size() + 2);
    out += '"';
    for (char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
                out += "\\x";
                out += QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0');
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

// Reads a value written by quoted(); a value without quotes (edited by hand)
// is taken as it stands, without its leading blanks.
QString unquoted(QByteArrayView raw)
{
    qsizetype i = 0;
    while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t'))
        ++i;
    if (i >= raw.size() || raw[i] != '"')
        return QString::fromUtf8(raw.sliced(i));

    const QByteArrayView body = raw.sliced(i + 1);
    const qsizetype close = body.indexOf('"');
    const QByteArrayView plain = close < 0 ? body : body.first(close);
    if (!plain.contains('\\'))
        return QString::fromUtf8(plain); // nothing escaped: most values

    QByteArray out;
    for (++i; i < raw.size() && raw[i] != '"'; ++i) {
        char c = raw[i];
        if (c != '\\' || i + 1 >= raw.size()) {
            out += c;
            continue;
        }
        c = raw[++i];
        switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'x':
            if (i + 2 < raw.size()) {
                bool ok = false;
                const int code = raw.sliced(i + 1, 2).toByteArray().toInt(&ok, 16);
                if (ok) {
                    out += static_cast<char>(code);
                    i += 2;
                    break;
                }
            }
            out += 'x';
            break;
        default: out += c; // \" and \\ and anything unknown
        }
    }
    return QString::fromUtf8(out);
}

IniSettingsStore::Section *findSection(QList<IniSettingsStore::Section> &sections, const QString &name)
{
    for (auto &s : sections)
        if (sameName(s.name, name))
            return &s;
    return nullptr;
}

} // namespace

IniSettingsStore::IniSettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{
}

QString IniSettingsStore::defaultFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/belltide/settings.ini");
}

// One pass over the content. Sections and keys are found again through hash
// tables of their case-folded names, so a file of many small sections or of
// many keys reads in time proportional to its size.
QList<IniSettingsStore::Section> IniSettingsStore::parse(const QByteArray &content)
{
    QList<Section> sections;
    NameIndex sectionIndex, keyIndex;
    std::vector<std::pair<qsizetype, qsizetype>> keyPlace; // section and place of each key in keyIndex
    std::string buffer;
    qsizetype current = -1;
    const QByteArrayView all(content);
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf('\n', start);
        if (end < 0)
            end = all.size();
        QByteArrayView line = all.sliced(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(';') || line.startsWith('#'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            const QString name = QString::fromUtf8(line.sliced(1, line.size() - 2));
            const auto [found, added] = sectionIndex.findOrAdd(
                foldedHash(line.sliced(1, line.size() - 2), buffer), sections.size(),
                [&](qsizetype i) { return sameName(sections[i].name, name); });
            if (added)
                sections.append(Section{name, {}});
            current = found;
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (current < 0 || eq <= 0)
            continue; // not ours: passed over
        const QString key = QString::fromUtf8(line.first(eq).trimmed());
        QString value = unquoted(line.sliced(eq + 1));
        auto &values = sections[current].values;
        const size_t hash = foldedHash(line.first(eq).trimmed(), buffer) ^ (size_t(current) * 0x9e3779b97f4a7c15u);
        const auto [found, added] =
            keyIndex.findOrAdd(hash, qsizetype(keyPlace.size()), [&](qsizetype i) {
                return keyPlace[i].first == current && sameName(values[keyPlace[i].second].first, key);
            });
        if (added) {
            keyPlace.emplace_back(current, values.size());
            values.append(std::pair(key, std::move(value)));
        } else {
            values[keyPlace[found].second].second = std::move(value);
        }
    }
    return sections;
}

QByteArray IniSettingsStore::serialize(const QList<Section> &sections)
{
    QByteArray out;
    for (const Section &s : sections) {
        if (!out.isEmpty())
            out += '\n';
        out += '[' + s.name.toUtf8() + "]\n";
        for (const auto &[key, value] : s.values)
            out += key.toUtf8() + '=' + quoted(value) + '\n';
    }
    return out;
}

void IniSettingsStore::load() const
{
    if (m_loaded)
        return;
    m_loaded = true;
    QFile file(m_filePath);
    if (!QFileInfo(file).isFile() || file.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        // A file there that could not be read; a folder in its place is not
        // ours to move, and a save fails on it.
        m_unreadable = QFileInfo(m_filePath).isFile();
        return;
    }
    m_sections = parse(file.readAll());
}

QString IniSettingsStore::get(const QString &area, const QString &section, const QString &key) const
{
    load();
    const QString name = sectionName(area, section);
    for (const Section &s : m_sections) {
        if (!sameName(s.name, name))
            continue;
        for (const auto &[k, v] : s.values)
            if (sameName(k, key))
                return v;
    }
    return {};
}

// Under the first free name of settings.ini.unreadable, .unreadable.1, ...:
// an earlier one is never replaced.
bool IniSettingsStore::moveUnreadableAside()
{
    if (!QFileInfo(m_filePath).isFile()) {
        m_unreadable = false; // gone meanwhile: nothing left to keep
        return true;
    }
    const QString base = m_filePath + QStringLiteral(".unreadable");
    for (int n = 0; n < 1000; ++n) {
        const QString aside = n == 0 ? base : base + u'.' + QString::number(n);
        if (QFileInfo::exists(aside) || QFileInfo(aside).isSymLink())
            continue;
        // QFile::rename never replaces an existing file.
        if (QFile::rename(m_filePath, aside)) {
            m_unreadable = false;
            std::fprintf(stderr, "Belltide could not read its settings file at start; it is kept as %s\n",
                         qUtf8Printable(aside));
            return true;
        }
        if (QFileInfo::exists(aside))
            continue; // taken between the look and the move
        break;
    }
    m_error = QStringLiteral("%1 could not be read at start and cannot be moved aside; it is left as it is.")
                  .arg(m_filePath);
    return false;
}

bool IniSettingsStore::save(const QList<Entry> &entries)
{
    load();
    QList<Section> sections = m_sections;
    for (const Entry &e : entries) {
        const QString name = sectionName(e.area, e.section);
        Section *s = findSection(sections, name);
        if (!s) {
            sections.append({name, {}});
            s = &sections.last();
        }
        auto it = std::find_if(s->values.begin(), s->values.end(),
                               [&](const auto &kv) { return sameName(kv.first, e.key); });
        if (it != s->values.end())
            it->second = e.value;
        else
            s->values.append({e.key, e.value});
    }

    const QFileInfo info(m_filePath);
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("The folder %1 cannot be created.").arg(info.absolutePath());
        return false;
    }
    const QByteArray content = serialize(sections);
    if (content.size() > kMaxFileSize) {
        m_error = QStringLiteral("The settings are longer than Belltide can read back (%1 MiB).")
                      .arg(kMaxFileSize >> 20);
        return false;
    }
    if (m_unreadable && !moveUnreadableAside())
        return false;
    if (!writeFileAtomically(m_filePath, content, &m_error))
        return false;
    m_sections = std::move(sections);
    m_error.clear();
    return true;
}
