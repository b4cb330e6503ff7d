#include "qtmediaplayer.h"

#include "alarmtone.h"

#include <QAudioOutput>
#include <QFile>
#include <QMediaPlayer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>

// The real player on GStreamer, run with no sound card: through a private
// PulseAudio null sink where tests/support/with-pulseaudio.sh could start one
// (then the streams it plays are checked too), or with no audio device at all.
// The fixtures are made here, with ffmpeg, into a temporary folder.

using State = QtMediaPlayer::State;

namespace {

// The longest time between two turns of the event loop while it runs: a stall
// in the player shows here as a frozen window would to the user.
class LoopGapMeter
{
public:
    LoopGapMeter()
    {
        m_timer.setInterval(5);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
    }
    // Call right before the operation under test: the first gap runs from here.
    void start()
    {
        m_last = m_clock.elapsed();
        m_timer.start();
    }
    // Leaves out what the test itself does meanwhile (asking the sound server);
    // start() again to go on.
    void pause()
    {
        tick();
        m_timer.stop();
    }
    qint64 longestMs()
    {
        tick();
        return m_longest;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.elapsed();
        if (m_last >= 0)
            m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = -1;
    qint64 m_longest = 0;
};

// One broken file makes GStreamer print criticals by the hundred thousand.
class StderrMuted
{
public:
    explicit StderrMuted(bool on)
    {
        if (!on)
            return;
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDERR_FILENO);
            ::close(devNull);
        }
    }
    ~StderrMuted()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
    }
    StderrMuted(const StderrMuted &) = delete;
    StderrMuted &operator=(const StderrMuted &) = delete;

private:
    int m_saved = -1;
};

// Streams on the private sound server; -1 when the test runs without one.
struct Streams
{
    int total = -1;
    int running = -1;
};

Streams soundStreams()
{
    if (!qEnvironmentVariableIsSet("BELLTIDE_TEST_PULSE"))
        return {};
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    if (!pactl.waitForFinished(5000) || pactl.exitCode() != 0)
        return {};
    const QString out = QString::fromUtf8(pactl.readAllStandardOutput());
    return {int(out.count(QStringLiteral("Sink Input #"))), int(out.count(QStringLiteral("Corked: no")))};
}

QList<State> statesOf(const QSignalSpy &spy)
{
    QList<State> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).value<State>());
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TstQtMediaPlayer : public QObject
{
    Q_OBJECT

private:
    QString fixture(const QString &name) const { return m_dir.filePath(name); }
    bool ffmpeg(const QStringList &args, const QString &out);
    void verifyVolume(const QtMediaPlayer &player);
    void verifyPlaysOnceToItsEnd(const QString &path, QtMediaPlayer::State playing, int atLeastMs, int timeoutMs);

    QTemporaryDir m_dir;
    bool m_haveFfmpegFixtures = false;
    bool m_pulse = false;

private slots:
    void initTestCase();

    void makesNothingUntilUsed();
    void playsFileOnceToItsEnd_data();
    void playsFileOnceToItsEnd();
    void stopEndsPlaybackAtOnce();
    void newFileReplacesThePlayingOne();
    void unplayableFileSoundsTheAlarmTone_data();
    void unplayableFileSoundsTheAlarmTone();
    void alarmTonePlaysOnceToItsEnd();
    void alarmTonePlaysFromMemoryWithoutATemporaryFolder();
    void alarmToneFileIsPrivateReusedAndReplacedWhenDamaged();
    void preparedPlayerTakesTheFileAsItIsWhenSet_data();
    void preparedPlayerTakesTheFileAsItIsWhenSet();
};

bool TstQtMediaPlayer::ffmpeg(const QStringList &args, const QString &out)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            QStringList{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                        QStringLiteral("-y")}
                + args + QStringList{fixture(out)});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0
           && QFileInfo(fixture(out)).size() > 0;
}

void TstQtMediaPlayer::verifyVolume(const QtMediaPlayer &player)
{
    // -6 dB of amplitude, not half of a loudness slider.
    const auto outputs = player.findChildren<QAudioOutput *>();
    QVERIFY(!outputs.isEmpty());
    for (const QAudioOutput *out : outputs)
        QVERIFY2(std::abs(out->volume() - std::pow(10.0f, -6.0f / 20.0f)) < 0.001f,
                 qPrintable(QString::number(out->volume())));
}

void TstQtMediaPlayer::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_pulse = qEnvironmentVariableIsSet("BELLTIDE_TEST_PULSE");
    qInfo("Audio: %s", m_pulse ? "private PulseAudio null sink" : "no audio device");

    if (!QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
        const QStringList sine{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                               QStringLiteral("sine=frequency=440:duration=1")};
        const QStringList longSine{QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                                   QStringLiteral("sine=frequency=440:duration=6")};
        m_haveFfmpegFixtures =
            ffmpeg(sine, QStringLiteral("one.wav"))
            && ffmpeg(sine + QStringList{QStringLiteral("-c:a"), QStringLiteral("libmp3lame")},
                      QStringLiteral("one.mp3"))
            && ffmpeg(sine + QStringList{QStringLiteral("-c:a"), QStringLiteral("wmav2"), QStringLiteral("-f"),
                                         QStringLiteral("asf")},
                      QStringLiteral("one.wma"))
            && ffmpeg(longSine, QStringLiteral("six.wav"))
            && ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                       QStringLiteral("color=red:s=32x32"), QStringLiteral("-frames:v"), QStringLiteral("1"),
                       QStringLiteral("-c:v"), QStringLiteral("png"), QStringLiteral("-f"), QStringLiteral("image2")},
                      QStringLiteral("picture.mp3"));
    }
    if (!m_haveFfmpegFixtures)
        qWarning("ffmpeg could not make the sound fixtures; the tests that need them are skipped");

    QVERIFY(writeFile(fixture(QStringLiteral("text.mp3")), "These are not the tunes you are looking for.\n"));
    QByteArray noise(8000, '\0');
    QRandomGenerator rng(20260507);
    for (char &c : noise)
        c = char(rng.bounded(256));
    QVERIFY(writeFile(fixture(QStringLiteral("noise.mp3")), noise));
    QVERIFY(writeFile(fixture(QStringLiteral("empty.mp3")), QByteArray()));
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("folder.mp3")));
    QVERIFY(writeFile(fixture(QStringLiteral("locked.mp3")), noise));
    QVERIFY(QFile::setPermissions(fixture(QStringLiteral("locked.mp3")), {}));

    // A tiny standard MIDI file: one note. GStreamer finds its type, but this
    // machine has no decoder for it.
    QVERIFY(writeFile(fixture(QStringLiteral("tune.mid")),
                      QByteArray("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x0c\0\x90\x3c\x40\x60\x80\x3c\x40\0\xff\x2f\0", 34)));

    // A WAV file whose data chunk holds no samples.
    QByteArray header("RIFF\0\0\0\0WAVEfmt ", 16);
    auto le32 = [](QByteArray &b, quint32 v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    auto le16 = [](QByteArray &b, quint16 v) {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
    };
    le32(header, 16);
    le16(header, 1);
    le16(header, 1);
    le32(header, 44100);
    le32(header, 88200);
    le16(header, 2);
    le16(header, 16);
    QByteArray noSamples = header;
    noSamples.append("data", 4);
    le32(noSamples, 0);
    qToLittleEndian<quint32>(quint32(noSamples.size() - 8), noSamples.data() + 4);
    QVERIFY(writeFile(fixture(QStringLiteral("nosamples.wav")), noSamples));
    // One cut off inside a chunk that follows the format: GStreamer neither
    // plays it nor reports an error, it just never gets anywhere.
    QByteArray cut = header;
    cut.append("LIST", 4);
    le32(cut, 26);
    qToLittleEndian<quint32>(88270, cut.data() + 4);
    QVERIFY(writeFile(fixture(QStringLiteral("cut.wav")), cut));

    // Qt Multimedia's first use loads GStreamer, once per process; the stall
    // checks below are about what comes after.
    QtMediaPlayer warmUp;
    QElapsedTimer firstUse;
    firstUse.start();
    warmUp.setFileName(QString());
    const qint64 firstUseMs = firstUse.elapsed();
    QTRY_COMPARE_WITH_TIMEOUT(warmUp.state(), State::PlayingFallback, 10000);
    QTest::qWait(300);
    warmUp.stop();
    QTest::qWait(50);
    qInfo("First use of Qt Multimedia blocked for %lld ms", firstUseMs);
}

void TstQtMediaPlayer::makesNothingUntilUsed()
{
    QtMediaPlayer player;
    QSignalSpy states(&player, &QtMediaPlayer::stateChanged);

    player.stop();
    player.setAlarmFlag(true);

    QVERIFY(player.alarmFlag());
    QCOMPARE(player.state(), State::Idle);
    QVERIFY(states.isEmpty());
    QVERIFY(player.findChildren<QMediaPlayer *>().isEmpty());
    QVERIFY(player.findChildren<QAudioOutput *>().isEmpty());
}

void TstQtMediaPlayer::playsFileOnceToItsEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("WAV") << QStringLiteral("one.wav");
    QTest::newRow("MP3") << QStringLiteral("one.mp3");
    QTest::newRow("WMA") << QStringLiteral("one.wma");
}

// Plays `path` and checks that it sounds for at least `atLeastMs`, ends
// exactly once and does not start again.
void TstQtMediaPlayer::verifyPlaysOnceToItsEnd(const QString &path, QtMediaPlayer::State playing, int atLeastMs,
                                               int timeoutMs)
{
    QtMediaPlayer player;
    QSignalSpy states(&player, &QtMediaPlayer::stateChanged);
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);
    QElapsedTimer clock;
    clock.start();

    player.setFileName(path);

    QCOMPARE(player.fileName(), path);
    QCOMPARE(player.state(), playing);
    verifyVolume(player);
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().running, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, timeoutMs);
    // Something that "ends" at once was never heard.
    QVERIFY2(clock.elapsed() >= atLeastMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(player.state(), State::Idle);

    // Played once: nothing starts again after the end.
    QTest::qWait(1500);
    QCOMPARE(ended.count(), 1);
    QCOMPARE(statesOf(states), (QList<State>{playing, State::Idle}));
    if (m_pulse)
        QCOMPARE(soundStreams().total, 0);
}

void TstQtMediaPlayer::playsFileOnceToItsEnd()
{
    QFETCH(QString, name);
    if (!m_haveFfmpegFixtures)
        QSKIP("no ffmpeg fixtures");
    // One-second fixtures.
    verifyPlaysOnceToItsEnd(fixture(name), State::PlayingFile, 800, 15000);
}

void TstQtMediaPlayer::stopEndsPlaybackAtOnce()
{
    if (!m_haveFfmpegFixtures)
        QSKIP("no ffmpeg fixtures");
    QtMediaPlayer player;
    QSignalSpy states(&player, &QtMediaPlayer::stateChanged);
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);

    player.setFileName(fixture(QStringLiteral("six.wav")));
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().running, 1, 5000);
    else
        QTest::qWait(500);
    QCOMPARE(player.state(), State::PlayingFile);

    player.stop();

    QCOMPARE(player.state(), State::Idle);
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().total, 0, 500);
    QTest::qWait(1500);
    QVERIFY(ended.isEmpty());
    QCOMPARE(statesOf(states), (QList<State>{State::PlayingFile, State::Idle}));
    QVERIFY(player.findChildren<QMediaPlayer *>().isEmpty());
}

void TstQtMediaPlayer::newFileReplacesThePlayingOne()
{
    if (!m_haveFfmpegFixtures)
        QSKIP("no ffmpeg fixtures");
    QtMediaPlayer player;
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);

    player.setFileName(fixture(QStringLiteral("six.wav")));
    QTest::qWait(300);
    player.setFileName(fixture(QStringLiteral("one.wav")));

    // The one-second file ends long before the six-second one would have.
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 4000);
    QCOMPARE(player.state(), State::Idle);
    if (m_pulse)
        QCOMPARE(soundStreams().total, 0);
    QTest::qWait(1000);
    QCOMPARE(ended.count(), 1);

    // A broken file given while music plays: the music stops, the tone sounds.
    player.setFileName(fixture(QStringLiteral("six.wav")));
    QTest::qWait(300);
    player.setFileName(fixture(QStringLiteral("missing.mp3")));
    QCOMPARE(player.state(), State::PlayingFallback);
    QTest::qWait(300);
    if (m_pulse)
        QCOMPARE(soundStreams().total, 1);
    QCOMPARE(player.findChildren<QMediaPlayer *>().size(), 1);
    player.stop();
}

void TstQtMediaPlayer::unplayableFileSoundsTheAlarmTone_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("needsFfmpeg");
    QTest::addColumn<bool>("noisy");

    QTest::newRow("empty path") << QString() << false << false;
    QTest::newRow("missing file") << fixture(QStringLiteral("missing.mp3")) << false << false;
    QTest::newRow("missing folder") << QStringLiteral("/no/such/folder/song.mp3") << false << false;
    QTest::newRow("folder") << fixture(QStringLiteral("folder.mp3")) << false << false;
    QTest::newRow("empty file") << fixture(QStringLiteral("empty.mp3")) << false << false;
    QTest::newRow("unreadable file") << fixture(QStringLiteral("locked.mp3")) << false << false;
    QTest::newRow("text named .mp3") << fixture(QStringLiteral("text.mp3")) << false << false;
    QTest::newRow("noise named .mp3") << fixture(QStringLiteral("noise.mp3")) << false << false;
    QTest::newRow("picture named .mp3") << fixture(QStringLiteral("picture.mp3")) << true << false;
    QTest::newRow("MIDI, no decoder") << fixture(QStringLiteral("tune.mid")) << false << false;
    QTest::newRow("WAV without samples") << fixture(QStringLiteral("nosamples.wav")) << false << false;
    QTest::newRow("WAV that never starts") << fixture(QStringLiteral("cut.wav")) << false << true;
}

void TstQtMediaPlayer::unplayableFileSoundsTheAlarmTone()
{
    QFETCH(QString, path);
    QFETCH(bool, needsFfmpeg);
    QFETCH(bool, noisy);
    if (needsFfmpeg && !m_haveFfmpegFixtures)
        QSKIP("no ffmpeg fixtures");
    if (path.endsWith(QStringLiteral("locked.mp3")) && ::geteuid() == 0)
        QSKIP("running as root, where file permissions do not stop reading");

    const StderrMuted muted(noisy);
    QtMediaPlayer player;
    QSignalSpy states(&player, &QtMediaPlayer::stateChanged);
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);
    LoopGapMeter gaps;

    gaps.start();
    player.setFileName(path);

    QCOMPARE(player.fileName(), path);
    QTRY_VERIFY_WITH_TIMEOUT(player.state() != State::PlayingFile, QtMediaPlayer::stallLimitMs + 3000);
    if (path.endsWith(QStringLiteral(".mid")) && player.state() == State::Idle && ended.count() == 1)
        QSKIP("this machine has a MIDI decoder");
    QCOMPARE(player.state(), State::PlayingFallback);
    // Several error reports for one failure still start the tone once.
    QTest::qWait(300);
    QCOMPARE(statesOf(states).count(State::PlayingFallback), 1);
    QCOMPARE(player.state(), State::PlayingFallback);
    verifyVolume(player);
    if (m_pulse) {
        gaps.pause();
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().running, 1, 3000);
        gaps.start();
    }

    player.stop();
    QCOMPARE(player.state(), State::Idle);
    QTest::qWait(50);

    const qint64 longestGap = gaps.longestMs();
    qInfo("longest wait of the event loop: %lld ms", longestGap);
    QVERIFY2(longestGap < 100, qPrintable(QStringLiteral("the event loop stood still for %1 ms").arg(longestGap)));
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().total, 0, 500);
    QVERIFY(ended.isEmpty());
    QCOMPARE(statesOf(states).last(), State::Idle);
}

void TstQtMediaPlayer::alarmTonePlaysOnceToItsEnd()
{
    // A few seconds of tone, not a click.
    verifyPlaysOnceToItsEnd(fixture(QStringLiteral("missing.wav")), State::PlayingFallback, 3000, 20000);
}

void TstQtMediaPlayer::alarmTonePlaysFromMemoryWithoutATemporaryFolder()
{
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(fixture(QStringLiteral("no-such-folder"))));
    const auto restore = qScopeGuard([&] {
        if (oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
    });

    QtMediaPlayer player;
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);
    QElapsedTimer clock;
    clock.start();

    player.setFileName(QString());

    QCOMPARE(player.state(), State::PlayingFallback);
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().running, 1, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 20000);
    QVERIFY2(clock.elapsed() >= 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(player.state(), State::Idle);
}

void TstQtMediaPlayer::alarmToneFileIsPrivateReusedAndReplacedWhenDamaged()
{
    const QString tmp = fixture(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    const QByteArray oldTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(tmp));
    const auto restore = qScopeGuard([&] {
        if (oldTmp.isNull())
            qunsetenv("TMPDIR");
        else
            qputenv("TMPDIR", oldTmp);
    });
    const auto toneFiles = [&] { return QDir(tmp).entryInfoList(QDir::Files); };

    QtMediaPlayer player;
    QSignalSpy states(&player, &QtMediaPlayer::stateChanged);
    QSignalSpy ended(&player, &QtMediaPlayer::playbackEnded);
    player.setFileName(QString());
    QTest::qWait(200);
    player.stop();
    player.setFileName(QString());
    QTest::qWait(200);
    player.stop();

    QCOMPARE(toneFiles().size(), 1);
    const QFileInfo tone = toneFiles().first();
    QCOMPARE(tone.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
             QFile::Permissions());

    // Something spoils the file while the program runs: the alarm still sounds.
    QVERIFY(writeFile(tone.filePath(), "spoilt"));
    states.clear();
    QElapsedTimer clock;
    clock.start();
    player.setFileName(QString());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 20000);
    QVERIFY2(clock.elapsed() >= 3000, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(statesOf(states), (QList<State>{State::PlayingFallback, State::Idle}));

    // And the next time from a good file again.
    player.setFileName(QString());
    QTest::qWait(200);
    player.stop();
    QCOMPARE(toneFiles().size(), 1);
    QVERIFY(toneFiles().first().size() > 1000);
}

// Made ready when the alarm is armed, the player still looks at the file only
// when the alarm fires: a file changed or removed meanwhile gets the right
// sound or the tone. Getting ready opens no sound stream.
void TstQtMediaPlayer::preparedPlayerTakesTheFileAsItIsWhenSet_data()
{
    QTest::addColumn<QByteArray>("whenArmed");
    QTest::addColumn<QByteArray>("whenFired");
    QTest::addColumn<State>("plays");
    const QByteArray wav = AlarmTone::wav();
    QTest::newRow("removed") << wav << QByteArray() << State::PlayingFallback;
    QTest::newRow("replaced by text") << wav << QByteArray("no tune\n") << State::PlayingFallback;
    QTest::newRow("written after") << QByteArray() << wav << State::PlayingFile;
}

void TstQtMediaPlayer::preparedPlayerTakesTheFileAsItIsWhenSet()
{
    QFETCH(QByteArray, whenArmed);
    QFETCH(QByteArray, whenFired);
    QFETCH(State, plays);
    const QString path = fixture(QStringLiteral("armed.wav"));
    QFile::remove(path);
    QVERIFY(whenArmed.isEmpty() || writeFile(path, whenArmed));
    QtMediaPlayer player;
    player.prepare();
    QCOMPARE(player.findChildren<QMediaPlayer *>().size(), 1);
    if (m_pulse) {
        QTest::qWait(300);
        QCOMPARE(soundStreams().total, 0);
    }
    QFile::remove(path);
    QVERIFY(whenFired.isEmpty() || writeFile(path, whenFired));
    player.setFileName(path);
    QTRY_COMPARE_WITH_TIMEOUT(player.state(), plays, QtMediaPlayer::stallLimitMs + 3000);
    if (m_pulse)
        QTRY_COMPARE_WITH_TIMEOUT(soundStreams().running, 1, 5000);
    player.stop();
}

QTEST_GUILESS_MAIN(TstQtMediaPlayer)
#include "tst_qtmediaplayer.moc"
