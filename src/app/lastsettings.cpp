#include "lastsettings.h"

#include "settingsstore.h"

namespace {

const QString kArea = QStringLiteral("Corvanta");
const QString kSection = QStringLiteral("lastsettings");

// The names in the file, in the order they are written.
struct Key
{
    QString name;
    QString LastSettings::*value;
};
const Key kKeys[] = {
    {QStringLiteral("remyear"), &LastSettings::remyear},
    {QStringLiteral("remmonth"), &LastSettings::remmonth},
    {QStringLiteral("remday"), &LastSettings::remday},
    {QStringLiteral("timealarm"), &LastSettings::timealarm},
    {QStringLiteral("AlarmMusic"), &LastSettings::alarmMusic},
};

} // namespace

LastSettings LastSettings::read(const SettingsStore &store)
{
    LastSettings settings;
    for (const Key &key : kKeys)
        settings.*key.value = store.get(kArea, kSection, key.name);
    return settings;
}

bool LastSettings::save(SettingsStore &store) const
{
    QList<SettingsStore::Entry> entries;
    for (const Key &key : kKeys)
        entries.append({kArea, kSection, key.name, this->*key.value});
    return store.save(entries);
}
