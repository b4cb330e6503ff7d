#include "lazymediaplayer.h"

#include <QFile>
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
};

QTEST_GUILESS_MAIN(TestLazyMediaPlayer)
#include "tst_lazymediaplayer.moc"
