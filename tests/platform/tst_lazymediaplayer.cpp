#include "lazymediaplayer.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program's player loads Qt Multimedia only when the first alarm plays.
class TestLazyMediaPlayer : public QObject
{
    Q_OBJECT

    static bool multimediaLoaded()
    {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
    }

    // Streams on the private null sink of tests/support/with-pulseaudio.sh.
    static int soundStreams()
    {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
        pactl.waitForFinished(5000);
        return int(pactl.readAllStandardOutput().count('\n'));
    }

private slots:
    void nothingIsLoadedBeforeTheFirstAlarm()
    {
        LazyMediaPlayer player(QStringLiteral(BELLTIDE_MEDIA_MODULE));
        player.stop(); // Stop with nothing loaded stays cheap
        player.setAlarmFlag(true);
        QVERIFY(player.alarmFlag());
        QVERIFY(!player.isLoaded());
        QVERIFY(!multimediaLoaded());

        player.setFileName(QStringLiteral("/no/such/song.mp3"));
        QVERIFY2(player.isLoaded(), qPrintable(player.errorString()));
        QVERIFY(multimediaLoaded());
        QCOMPARE(player.fileName(), QStringLiteral("/no/such/song.mp3"));
        player.stop();
    }

    void aMissingModuleIsNoCrash()
    {
        LazyMediaPlayer player(QStringLiteral("/nowhere/libbelltide-media.so"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot load its media player")));
        player.setFileName(QStringLiteral("/music/a.mp3"));
        QVERIFY(!player.isLoaded());
        QVERIFY(!player.errorString().isEmpty());
        player.setFileName(QStringLiteral("/music/b.mp3")); // tried once, warned once
        player.stop();
    }

    // Armed ahead of the alarm, or not: either way the alarm sounds, and
    // getting ready opens no sound stream of its own.
    void aPreparedPlayerSoundsTheAlarm_data()
    {
        QTest::addColumn<bool>("fireWhileLoading");
        QTest::newRow("alarm after the loading") << false;
        QTest::newRow("alarm during the loading") << true;
    }
    void aPreparedPlayerSoundsTheAlarm()
    {
        QFETCH(bool, fireWhileLoading);
        QVERIFY2(qEnvironmentVariableIsSet("BELLTIDE_TEST_PULSE"), "no PulseAudio server (scripts/install-deps.sh --test)");
        LazyMediaPlayer player(QStringLiteral(BELLTIDE_MEDIA_MODULE));
        player.prepare();
        QVERIFY(player.isLoading());
        if (!fireWhileLoading) {
            QTRY_VERIFY_WITH_TIMEOUT(player.isLoaded(), 10000);
            QTest::qWait(200);
            QCOMPARE(soundStreams(), 0);
        }
        player.setFileName(QStringLiteral("/no/such/song.mp3")); // the module's alarm tone
        QTRY_VERIFY_WITH_TIMEOUT(player.isLoaded(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 1, 10000);
        player.stop();
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
    }

    // A broken install: the module gone or damaged. The reason is told once,
    // and the built-in tone still sounds on the sound server.
    void withoutTheModuleTheAlarmStillSounds_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("module missing") << false;
        QTest::newRow("module not a library") << true;
    }
    void withoutTheModuleTheAlarmStillSounds()
    {
        QFETCH(bool, damaged);
        QVERIFY2(qEnvironmentVariableIsSet("BELLTIDE_TEST_PULSE"), "no PulseAudio server (scripts/install-deps.sh --test)");
        QTemporaryDir dir;
        const QString module = dir.filePath(QStringLiteral("libbelltide-media.so"));
        if (damaged) {
            QFile f(module);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray(4096, 'x')) == 4096);
        }
        LazyMediaPlayer player(module);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("cannot load its media player.*built-in tone")));
        player.prepare();
        QTRY_VERIFY_WITH_TIMEOUT(!player.isLoading(), 10000);
        for (int alarm = 0; alarm < 2; ++alarm) { // told once, sounds every time
            player.setFileName(QStringLiteral("/music/a.wav"));
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 1, 10000);
            player.stop();
            QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
        }
        QVERIFY(!player.isLoaded());
    }
};

QTEST_GUILESS_MAIN(TestLazyMediaPlayer)
#include "tst_lazymediaplayer.moc"
