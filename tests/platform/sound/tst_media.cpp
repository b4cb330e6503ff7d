#include "alarmtone.h"
#include "fakes.h"
#include "qtmediaplayer.h"
#include "sound.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace Qt::StringLiterals;

// The real player on GStreamer, heard through the private PulseAudio null sink
// of tests/support/desktop.sh, with sound files made here by ffmpeg.
using State = QtMediaPlayer::State;

class TestMedia : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    QString fixture(const char *name) const { return m_dir.filePath(QLatin1String(name)); }
    bool ffmpeg(const QString &input, const QStringList &codec, const char *out) {
        const QStringList lavfi{"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", input};
        return QProcess::execute(u"ffmpeg"_s, lavfi + codec + QStringList{fixture(out)}) == 0;
    }

private slots:
    void initTestCase() {
        QVERIFY2(!QStandardPaths::findExecutable(u"ffmpeg"_s).isEmpty(),
                 "ffmpeg is missing: run scripts/install-deps.sh --test");
        QVERIFY2(qEnvironmentVariableIsSet("PULSE_SERVER"), "run under tests/support/desktop.sh");
        const QString sine = u"sine=frequency=440:duration=1"_s;
        QVERIFY(ffmpeg(sine, {}, "one.wav"));
        QVERIFY(ffmpeg(sine, {"-c:a", "libmp3lame"}, "one.mp3"));
        QVERIFY(ffmpeg(sine, {"-c:a", "wmav2", "-f", "asf"}, "one.wma"));
        FakePlatform::write(fixture("text.mp3"), "These are not the tunes you are looking for.\n");
        // A WAV file cut off after its format: GStreamer neither plays it nor
        // reports an error.
        QByteArray head = QByteArray::fromHex("52494646000000005741564566" "6d74201000000001000100"
                                              "44ac000088580100020010004c4953541a000000");
        qToLittleEndian<quint32>(88270, head.data() + 4);
        FakePlatform::write(fixture("cut.wav"), head);
    }

    // Each type plays once to its end; whatever is wrong with the music, the
    // alarm tone sounds instead, to its end. Made ready when the alarm is armed, the
    // player looks at the file only when the alarm fires, and getting ready
    // opens no sound stream.
    void playsOnceToItsEnd_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<State>("plays");
        QTest::addColumn<bool>("prepared"); // while the file is empty, then it is written
        QTest::newRow("WAV") << "one.wav" << State::PlayingFile << false;
        QTest::newRow("MP3") << "one.mp3" << State::PlayingFile << false;
        QTest::newRow("WMA") << "one.wma" << State::PlayingFile << false;
        QTest::newRow("missing") << "missing.wav" << State::PlayingFallback << false;
        QTest::newRow("text named .mp3") << "text.mp3" << State::PlayingFallback << false;
        QTest::newRow("WAV that never starts") << "cut.wav" << State::PlayingFallback << false;
        QTest::newRow("prepared, then written") << "armed.wav" << State::PlayingFile << true;
    }
    void playsOnceToItsEnd() {
        QFETCH(QString, name);
        QFETCH(State, plays);
        QFETCH(bool, prepared);
        QtMediaPlayer player;
        QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);
        if (prepared) {
            FakePlatform::write(fixture("armed.wav"), QByteArray()); // nothing to play yet
            player.prepare();
            QCOMPARE(soundStreams(), 0);
            FakePlatform::write(fixture("armed.wav"), AlarmTone::wav());
        }
        player.setFileName(m_dir.filePath(name));
        QTRY_COMPARE_WITH_TIMEOUT(player.state(), plays, QtMediaPlayer::stallLimitMs + 10000);
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(true), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams(), 0, 5000);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(player.state(), State::Idle);
    }
};

QTEST_GUILESS_MAIN(TestMedia)
#include "tst_media.moc"
