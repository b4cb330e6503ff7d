#include "displayloss.h"
#include "fakes.h"
#include "programend.h"

#include <QDir>

using namespace Qt::StringLiterals;

static const QString x11 = u"The X11 connection broke (error 1). Did the X11 server die?"_s;

// Every way out of the program, through the real main window: one save of
// the five values, in their order and under their names (or the names as the
// file spells them), one end, and a failed save said.
class TestProgramEnd : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

private slots:
    void init() { b = std::make_unique<Program>(); }
    void cleanup() { b.reset(); }

    // A way is "menu", "close", "signal", "session", "forget" (the file is
    // removed: what is written after shows) or a message of the toolkit's.
    // While the warning of a failed save waits, nothing ticks (so no alarm
    // goes off) and the ways after it are taken: a second SIGTERM (at logout)
    // ends the program at once, and the alarm's inhibition and wake with it.
    void everyWayOutSavesOnce_data()
    {
        QTest::addColumn<QStringList>("ways");
        QTest::addColumn<QByteArray>("before"); // empty: a first run, 6:45 set; "-": the save fails
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<int>("ends");
        QTest::addColumn<bool>("released"); // what the alarm asked of the desktop, at once
        const QByteArray mine("[Corvanta\\lastsettings]\nremyear=\"\"\nremmonth=\"\"\nremday=\"\"\n"
                              "timealarm=\"6:45\"\nAlarmMusic=\"/new/a \\\"b\\\" \\\\c.wma\"\n");
        const QByteArray restored("[corvanta\\LastSettings]\nremyear=\" 2026\"\nremmonth=\" 5\"\nremday=\" 9\"\n"
                                  "TimeAlarm=\"6:00\"\nAlarmMusic=\"/m.mp3\"\n");
        const QByteArray none("<none>");
        QTest::newRow("File > Exit") << QStringList{"menu", "close"} << QByteArray() << mine << 1 << false;
        QTest::newRow("close box") << QStringList{"close"} << QByteArray() << mine << 1 << false;
        QTest::newRow("names in other case") << QStringList{"menu"} << restored << restored << 1 << false;
        QTest::newRow("SIGTERM") << QStringList{"signal"} << QByteArray() << mine << 1 << false;
        QTest::newRow("the session ends, said twice") << QStringList{"session", "session"} << QByteArray() << mine
                                                      << 1 << false;
        QTest::newRow("failed save") << QStringList{"menu"} << QByteArray("-") << none << 1 << false;
        QTest::newRow("failed save, SIGTERM again") << QStringList{"signal", "signal"} << QByteArray("-") << none
                                                    << 2 << true; // the fake goes on after its end at once
        QTest::newRow("X11 gone") << QStringList{x11, x11} << QByteArray() << mine << 1 << true;
        QTest::newRow("failed save, display gone") << QStringList{x11} << QByteArray("-") << none << 1 << true;
        QTest::newRow("exit begun, display gone") << QStringList{"signal", "forget", x11} << QByteArray() << none
                                                  << 1 << true;
        QTest::newRow("another warning") << QStringList{u"QWidget::setGeometry: Unable to set geometry"_s}
                                         << QByteArray() << none << 0 << false;
    }
    void everyWayOutSavesOnce()
    {
        QFETCH(QStringList, ways);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(int, ends);
        QFETCH(bool, released);
        const bool broken = before == "-";
        if (broken)
            QVERIFY(QDir().mkpath(b->p.settingsFile())); // a folder in the file's place
        else if (!before.isEmpty())
            FakePlatform::write(b->p.settingsFile(), before);
        b->start();
        if (before.isEmpty() || broken)
            b->arm(u"6:45"_s, u"/new/a \"b\" \\c.wma"_s);
        DisplayLoss loss;
        connect(&loss, &DisplayLoss::lost, &b->w->programEnd(), &ProgramEnd::displayLost);
        const QHash<QString, std::function<void()>> act{
            {u"menu"_s, [&] { b->ui().MnuExit->trigger(); }},
            {u"close"_s, [&] { b->w->close(); }},
            {u"signal"_s, [&] { b->w->programEnd().terminationRequested(); }},
            {u"session"_s, [&] { b->w->programEnd().sessionEnding(); }},
            {u"forget"_s, [&] { QFile::remove(b->p.settingsFile()); }},
        };
        qsizetype next = 0;
        const auto walk = [&] {
            while (next < ways.size()) {
                const QString way = ways[next++];
                if (act.contains(way))
                    act[way]();
                else
                    qWarning("%s", qPrintable(way));
            }
        };
        QStringList running;
        b->p.messageBox.whileOpen = [&] {
            for (const char *name : {"Timer1", "Timer2", "Timer3"}) {
                if (b->timer(name)->isEnabled())
                    running << QLatin1String(name);
            }
            walk();
        };
        const QByteArray said = stderrOf(walk);
        if (!broken)
            QCOMPARE(FakePlatform::bytes(b->p.settingsFile()), after);
        QCOMPARE(b->p.process.ends, ends);
        QCOMPARE(b->p.messageBox.shown.size(), int(broken && !ways.contains(x11)));
        QCOMPARE(running, QStringList());
        QCOMPARE(said.contains(b->p.settingsFile().toUtf8()), broken);
        QCOMPARE(b->p.sleep.held + b->p.wake.wakes.size() == 0, released);
    }
};

QTEST_MAIN(TestProgramEnd)
#include "tst_programend.moc"
