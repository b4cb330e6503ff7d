// libFuzzer target: the reminder file reader takes any bytes without crashing,
// hanging or reading out of bounds, and what it writes it reads back whole.
#include "reminderfile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const std::optional<QString> field = ReminderFile::firstField(bytes);

    // Any text that the reader gave back must survive a write and a read.
    if (field) {
        const std::optional<QString> again = ReminderFile::firstField(ReminderFile::encode(*field));
        if (!again || *again != *field)
            std::abort();
    }
    return 0;
}
