#include "alarmtone.h"

#include <QtEndian>
#include <QtTest>

#include <cmath>

// The alarm's own tone is the last line of defence when the music fails: it
// must be a WAV file GStreamer accepts, long enough to wake someone, and audible.
class TstAlarmTone : public QObject
{
    Q_OBJECT

private:
    static quint16 u16(const QByteArray &b, int at) { return qFromLittleEndian<quint16>(b.constData() + at); }
    static quint32 u32(const QByteArray &b, int at) { return qFromLittleEndian<quint32>(b.constData() + at); }
    static QList<qint16> samples(const QByteArray &wav)
    {
        QList<qint16> out;
        for (int at = 44; at + 1 < wav.size(); at += 2)
            out.append(qFromLittleEndian<qint16>(wav.constData() + at));
        return out;
    }

private slots:
    void headerDescribesMono16BitPcm()
    {
        const QByteArray wav = AlarmTone::wav();
        QVERIFY(wav.size() > 44);
        QCOMPARE(wav.left(4), QByteArray("RIFF"));
        QCOMPARE(u32(wav, 4), quint32(wav.size() - 8));
        QCOMPARE(wav.mid(8, 4), QByteArray("WAVE"));
        QCOMPARE(wav.mid(12, 4), QByteArray("fmt "));
        QCOMPARE(u32(wav, 16), 16u);
        QCOMPARE(u16(wav, 20), quint16(1)); // PCM
        QCOMPARE(u16(wav, 22), quint16(1)); // mono
        QCOMPARE(u32(wav, 24), quint32(AlarmTone::sampleRate));
        QCOMPARE(u32(wav, 28), quint32(AlarmTone::sampleRate * 2));
        QCOMPARE(u16(wav, 32), quint16(2));
        QCOMPARE(u16(wav, 34), quint16(16));
        QCOMPARE(wav.mid(36, 4), QByteArray("data"));
        QCOMPARE(u32(wav, 40), quint32(wav.size() - 44));
    }

    void lastsAFewSeconds()
    {
        const QByteArray wav = AlarmTone::wav();
        const double seconds = double(u32(wav, 40)) / 2 / AlarmTone::sampleRate;
        QVERIFY2(seconds >= 2.0 && seconds <= 8.0, qPrintable(QString::number(seconds)));
    }

    void isLoudButNeverClips()
    {
        const QList<qint16> s = samples(AlarmTone::wav());
        int peak = 0;
        double energy = 0;
        for (qint16 v : s) {
            peak = std::max(peak, std::abs(int(v)));
            energy += double(v) * v;
        }
        const double rms = std::sqrt(energy / s.size());
        QVERIFY2(peak > 16000, qPrintable(QString::number(peak)));
        QVERIFY(peak < 32767);
        QVERIFY2(rms > 3000, qPrintable(QString::number(rms)));
    }

    void beepsWithPausesAndNoClicks()
    {
        const QList<qint16> s = samples(AlarmTone::wav());
        // A pattern, not a steady whistle: both sound and silence take a good
        // share of the time.
        qsizetype quiet = 0;
        for (qint16 v : s)
            quiet += std::abs(int(v)) < 100;
        const double quietShare = double(quiet) / s.size();
        QVERIFY2(quietShare > 0.2 && quietShare < 0.8, qPrintable(QString::number(quietShare)));
        // Starting or stopping away from zero would click in the speaker.
        QVERIFY(std::abs(int(s.first())) < 100);
        QVERIFY(std::abs(int(s.last())) < 100);
    }
};

QTEST_GUILESS_MAIN(TstAlarmTone)
#include "tst_alarmtone.moc"
