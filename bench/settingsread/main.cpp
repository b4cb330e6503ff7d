// bench_settingsread [RUNS]: reads settings files just under the store's size
// limit, one of small sections and one of small keys in one section, and
// prints the median and the longest time to the last value (the whole file
// is read then), in milliseconds, and the median CPU time, which other load on
// the machine sways far less.
#include "inisettingsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

// Lines of `pattern` (with %1 the line's number) up to the size limit.
QByteArray fill(const char *head, const char *pattern, int *count)
{
    QByteArray content(head);
    content.reserve(IniSettingsStore::kMaxFileSize);
    for (*count = 0;; ++*count) {
        const QByteArray line = QByteArray(pattern).replace("%1", QByteArray::number(*count));
        if (content.size() + line.size() > IniSettingsStore::kMaxFileSize)
            return content;
        content += line;
    }
}

qint64 cpuNanoseconds()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    QTemporaryDir dir;
    struct Case { const char *name, *head, *pattern; };
    const Case cases[] = {
        {"small sections", "", "[Corvanta\\s%1]\nk=\"v\"\n"},
        {"small keys in one section", "[Corvanta\\lastsettings]\n", "k%1=\"v\"\n"},
    };
    std::printf("%-28s %10s %10s %10s %10s %6s\n", "file (16 MiB)", "entries", "median ms", "max ms", "CPU ms", "value");
    for (const Case &c : cases) {
        int count = 0;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(fill(c.head, c.pattern, &count)) < 0)
            return 1;
        file.close();
        QList<qint64> times, cpu;
        QString value;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            const qint64 cpuStart = cpuNanoseconds();
            timer.start();
            // The last entry: found only when the whole file has been read.
            value = IniSettingsStore(path).get(QStringLiteral("corvanta"),
                                               c.head[0] ? QStringLiteral("LASTSETTINGS") : QStringLiteral("S%1").arg(count - 1),
                                               c.head[0] ? QStringLiteral("K%1").arg(count - 1) : QStringLiteral("K"));
            times.append(timer.nsecsElapsed());
            cpu.append(cpuNanoseconds() - cpuStart);
        }
        std::sort(times.begin(), times.end());
        std::sort(cpu.begin(), cpu.end());
        std::printf("%-28s %10d %10.1f %10.1f %10.1f %6s\n", c.name, count, times[runs / 2] / 1e6, times.last() / 1e6,
                    cpu[runs / 2] / 1e6, qPrintable(value));
    }
    return 0;
}
