#include "lazymediaplayer.h"
#include "sound.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The player as the program holds it: Qt Multimedia lives in a module loaded
// when an alarm is armed or plays; without the module the built-in tone still
// sounds. Heard on the private null sink of tests/support/desktop.sh.
class TestLazyMedia : public QObject
{
    Q_OBJECT

    static bool multimedia() {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
    }
private slots:
    void initTestCase() { QVERIFY2(qEnvironmentVariableIsSet("PULSE_SERVER"), "run under tests/support/desktop.sh"); }

    // Nothing is loaded before the alarm; armed ahead of it or not, the alarm
    // sounds, and getting ready opens no sound stream of its own.
    void thePlayerLoadsForTheAlarm_data() {
        QTest::addColumn<bool>("prepare");
        QTest::addColumn<bool>("fireWhileLoading");
        QTest::newRow("not prepared") << false << false;
        QTest::newRow("alarm after the loading") << true << false;
        QTest::newRow("alarm during the loading") << true << true;
    }
    void thePlayerLoadsForTheAlarm() {
        QFETCH(bool, prepare);
        QFETCH(bool, fireWhileLoading);
        LazyMediaPlayer player(QStringLiteral(BELLTIDE_MEDIA_MODULE));
        player.stop(); // nothing loaded: cheap
        QVERIFY(!player.isLoaded() && (prepare || !multimedia())); // the first row runs first
        if (prepare)
            player.prepare();
        QCOMPARE(player.isLoading(), prepare);
        if (prepare && !fireWhileLoading) {
            QTRY_VERIFY_WITH_TIMEOUT(player.isLoaded(), 10000);
            QCOMPARE(soundStreams(), 0);
        }
        player.setFileName(QStringLiteral("/no/such/song.mp3")); // the module's alarm tone
        QTRY_VERIFY_WITH_TIMEOUT(player.isLoaded() && multimedia(), 10000);
        QCOMPARE(player.fileName(), QStringLiteral("/no/such/song.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 1, 10000);
        player.stop();
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
    }

    // A broken install: the module gone or damaged. The reason is told once,
    // and the built-in tone still sounds at every alarm.
    void withoutTheModuleTheAlarmStillSounds_data() {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("module missing") << false;
        QTest::newRow("module not a library") << true;
    }
    void withoutTheModuleTheAlarmStillSounds() {
        QFETCH(bool, damaged);
        QTemporaryDir dir;
        const QString module = dir.filePath(QStringLiteral("libbelltide-media.so"));
        QFile f(module);
        QVERIFY(!damaged || (f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096));
        LazyMediaPlayer player(module);
        const QRegularExpression toldOnce(QStringLiteral("cannot load its media player.*built-in tone"));
        QTest::ignoreMessage(QtWarningMsg, toldOnce);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("cannot load"))); // told once only
        player.prepare();
        QTRY_VERIFY_WITH_TIMEOUT(!player.isLoading(), 10000);
        for (int alarm = 0; alarm < 2; ++alarm) {
            player.setFileName(QStringLiteral("/music/a.wav"));
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 1, 10000);
            player.stop();
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
        }
        QVERIFY(!player.isLoaded() && !player.errorString().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLazyMedia)
#include "tst_lazymedia.moc"
