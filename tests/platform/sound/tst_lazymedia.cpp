#include "lazymediaplayer.h"
#include "sound.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The player as the program holds it: Qt Multimedia lives in a module loaded
// when an alarm is armed or plays; without the module the built-in tone still
// sounds. Heard on the private null sink of tests/support/desktop.sh.
class TestLazyMedia : public QObject
{
    Q_OBJECT

    static bool multimedia() {
        QFile maps(u"/proc/self/maps"_s);
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
    }
private slots:
    void initTestCase() { QVERIFY2(qEnvironmentVariableIsSet("PULSE_SERVER"), "run under tests/support/desktop.sh"); }

    // Nothing is loaded before the alarm; armed ahead of it or not, every
    // alarm sounds. With the module gone the reason is told once, and the
    // built-in tone sounds at every alarm.
    void everyAlarmSounds_data() {
        QTest::addColumn<QString>("module"); // the real one when empty
        QTest::addColumn<bool>("prepare");
        QTest::newRow("not prepared") << "" << false;
        QTest::newRow("alarm during the loading") << "" << true;
        QTest::newRow("module missing") << "missing" << true;
    }
    void everyAlarmSounds() {
        QFETCH(QString, module);
        QFETCH(bool, prepare);
        QTemporaryDir dir;
        const bool real = module.isEmpty();
        const QString path = real ? QStringLiteral(BELLTIDE_MEDIA_MODULE) : dir.filePath(u"none.so"_s);
        if (!real) {
            const QRegularExpression toldOnce(u"cannot load its media player.*built-in tone"_s);
            QTest::ignoreMessage(QtWarningMsg, toldOnce);
            QTest::failOnWarning(QRegularExpression(u"cannot load"_s));
        }
        LazyMediaPlayer player(path);
        player.stop(); // nothing loaded: cheap
        QVERIFY(!player.isLoaded() && (prepare || !multimedia())); // the first row runs first
        if (prepare)
            player.prepare();
        QCOMPARE(player.isLoading(), prepare);
        for (int alarm = 0; alarm < 2; ++alarm) {
            player.setFileName(u"/no/such/song.mp3"_s); // the alarm tone, the module's or the built-in one
            QTRY_VERIFY_WITH_TIMEOUT(!player.isLoading(), 10000);
            QVERIFY(real ? player.isLoaded() && multimedia() : !player.isLoaded() && !player.errorString().isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 1, 10000);
            player.stop();
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
        }
    }
};

QTEST_GUILESS_MAIN(TestLazyMedia)
#include "tst_lazymedia.moc"
