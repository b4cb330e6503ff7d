// Start-and-exit cycles killed with SIGKILL at random moments never leave a
// settings file or a reminder file that fails to read or that mixes old and
// new values.
#include "inisettingsstore.h"
#include "reminderfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class TestKillCycles : public QObject
{
    Q_OBJECT

private slots:
    void killedAtRandomMoments()
    {
        QTemporaryDir dir;
        const QString settingsFile = dir.filePath(QStringLiteral("config/belltide/settings.ini"));
        const QString reminderFile = dir.filePath(QStringLiteral("reminder.ini"));
        const QString harness = QCoreApplication::applicationDirPath() + QStringLiteral("/exitcycle");
        const int cycles = qEnvironmentVariableIntValue("BELLTIDE_KILL_CYCLES") > 0
                               ? qEnvironmentVariableIntValue("BELLTIDE_KILL_CYCLES")
                               : 200;

        // How long one whole cycle takes, so the kills spread over all of it.
        QProcess probe;
        QElapsedTimer t;
        t.start();
        probe.start(harness, {settingsFile, dir.path(), QStringLiteral("0")});
        QVERIFY(probe.waitForFinished(20000));
        QCOMPARE(probe.exitCode(), 0);
        const int span = int(t.elapsed()) + 20;

        QRandomGenerator random(20261206);
        int lastSettingsCycle = 0;
        int lastReminderCycle = 0;
        int completed = 0;
        int killed = 0;
        for (int cycle = 1; cycle <= cycles; ++cycle) {
            QProcess p;
            p.start(harness, {settingsFile, dir.path(), QString::number(cycle)});
            QVERIFY(p.waitForStarted());
            if (!p.waitForFinished(random.bounded(span))) {
                p.kill();
                p.waitForFinished();
                ++killed;
            } else {
                ++completed;
            }

            // The settings file reads, and its values all come from one cycle.
            IniSettingsStore store(settingsFile);
            const QString time = store.get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"));
            const QString music = store.get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("AlarmMusic"));
            const QString day = store.get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("remday"));
            const int timeCycle = time.section(u':', 0, 0).toInt();
            QCOMPARE(time, QStringLiteral("%1:00").arg(timeCycle));
            QCOMPARE(music, QStringLiteral("/music/cycle %1.mp3").arg(timeCycle));
            QCOMPARE(day, QStringLiteral(" 7"));
            QVERIFY(timeCycle >= lastSettingsCycle && timeCycle <= cycle);
            lastSettingsCycle = timeCycle;

            // The reminder file is whole: the text of one cycle.
            const std::optional<QString> text = ReminderFile::read(reminderFile);
            QVERIFY(text);
            static const QRegularExpression whole(QStringLiteral("^reminder of cycle (\\d+), with \"quotes\"$"));
            const auto match = whole.match(*text);
            QVERIFY2(match.hasMatch(), qPrintable(*text));
            const int reminderCycle = match.captured(1).toInt();
            QVERIFY(reminderCycle >= lastReminderCycle && reminderCycle <= cycle);
            lastReminderCycle = reminderCycle;
        }
        // No temporary file is left to grow the folder.
        QVERIFY(QDir(dir.filePath(QStringLiteral("config/belltide"))).entryList(QDir::Files).size() <= 1 + killed);
        qInfo("%d cycles of %d ms: %d exited, %d killed; the files always read whole; last saved cycle %d, "
              "last reminder cycle %d",
              cycles, span, completed, killed, lastSettingsCycle, lastReminderCycle);
    }
};

QTEST_GUILESS_MAIN(TestKillCycles)
#include "tst_killcycles.moc"
