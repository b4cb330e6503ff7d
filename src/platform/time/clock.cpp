#include "clock.h"

#include <QFile>

#include <sys/stat.h>

#include <ctime>

SystemClock::SystemClock()
    : m_zoneFile(zoneFile())
    , m_zoneStamp(stampOf(m_zoneFile))
{
}

QDateTime SystemClock::now() const
{
    rereadZoneIfChanged();
    return QDateTime::currentDateTime();
}

QString SystemClock::zoneFile()
{
    if (!qEnvironmentVariableIsSet("TZ"))
        return QStringLiteral("/etc/localtime");
    QString tz = qEnvironmentVariable("TZ");
    if (tz.startsWith(u':'))
        tz.remove(0, 1);
    return tz.startsWith(u'/') ? tz : QString();
}

SystemClock::Stamp SystemClock::stampOf(const QString &file)
{
    struct stat st {};
    if (file.isEmpty() || ::stat(QFile::encodeName(file).constData(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino, qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, st.st_size};
}

void SystemClock::rereadZoneIfChanged() const
{
    if (m_zoneFile.isEmpty())
        return;
    const Stamp stamp = stampOf(m_zoneFile);
    if (stamp == m_zoneStamp)
        return;
    m_zoneStamp = stamp;
    // tzset() reads the zone again only when TZ has changed: change it for a
    // moment, then put it back.
    const bool wasSet = qEnvironmentVariableIsSet("TZ");
    const QByteArray tz = qgetenv("TZ");
    qputenv("TZ", "UTC0");
    tzset();
    if (wasSet)
        qputenv("TZ", tz);
    else
        qunsetenv("TZ");
    tzset();
}
