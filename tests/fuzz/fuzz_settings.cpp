// libFuzzer target: the settings file reader takes any bytes, and whatever it
// read comes back unchanged after being written out and read again.
#include "inisettingsstore.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const QList<IniSettingsStore::Section> sections = IniSettingsStore::parse(bytes);

    const QList<IniSettingsStore::Section> again = IniSettingsStore::parse(IniSettingsStore::serialize(sections));
    // Names made of garbage may not survive (a "]" or line break in a name);
    // every value under a name that does must come back exactly.
    for (const auto &s : sections) {
        for (const auto &[key, value] : s.values) {
            for (const auto &t : again) {
                if (t.name != s.name)
                    continue;
                for (const auto &[k, v] : t.values)
                    if (k == key && v != value)
                        std::abort();
            }
        }
    }
    return 0;
}
