#include "alarmtone.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace AlarmTone {
namespace {

// Four rounds of four short beeps, alternating two notes a fourth apart (B5 and
// E6), each round a little louder than the one before; the pauses between the
// rounds keep it from sounding like a fault buzzer.
constexpr int rounds = 4;
constexpr int beepsPerRound = 4;
constexpr double beepSeconds = 0.11;
constexpr double gapSeconds = 0.05;
constexpr double roundSeconds = 1.0;
constexpr double lowHz = 987.77;
constexpr double highHz = 1318.51;
// Ramps at both ends of every beep: a sine cut off sharply clicks.
constexpr double rampSeconds = 0.006;

double beepSample(double t, double hz)
{
    const double w = 2.0 * std::numbers::pi * hz * t;
    // A little of the octave and the twelfth makes it ring rather than whistle.
    const double wave = std::sin(w) + 0.25 * std::sin(2.0 * w) + 0.1 * std::sin(3.0 * w);
    const double attack = std::min(1.0, t / rampSeconds);
    const double release = std::min(1.0, (beepSeconds - t) / rampSeconds);
    return wave / 1.35 * std::max(0.0, std::min(attack, release));
}

void putLe16(QByteArray &out, quint16 v)
{
    char b[2];
    qToLittleEndian(v, b);
    out.append(b, 2);
}

void putLe32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian(v, b);
    out.append(b, 4);
}

} // namespace

QByteArray wav()
{
    const int frames = int(rounds * roundSeconds * sampleRate);
    const quint32 dataBytes = quint32(frames) * 2;

    QByteArray out;
    out.reserve(44 + int(dataBytes));
    out.append("RIFF", 4);
    putLe32(out, 36 + dataBytes);
    out.append("WAVE", 4);
    out.append("fmt ", 4);
    putLe32(out, 16);             // size of the format chunk
    putLe16(out, 1);              // PCM
    putLe16(out, 1);              // mono
    putLe32(out, sampleRate);
    putLe32(out, sampleRate * 2); // bytes per second
    putLe16(out, 2);              // bytes per frame
    putLe16(out, 16);             // bits per sample
    out.append("data", 4);
    putLe32(out, dataBytes);

    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const int round = std::min(rounds - 1, int(t / roundSeconds));
        const double inRound = t - round * roundSeconds;
        const int beep = int(inRound / (beepSeconds + gapSeconds));
        const double inBeep = inRound - beep * (beepSeconds + gapSeconds);

        double v = 0.0;
        if (beep < beepsPerRound && inBeep < beepSeconds) {
            const double loudness = 0.45 + 0.15 * round;
            v = loudness * beepSample(inBeep, beep % 2 == 0 ? lowHz : highHz);
        }
        putLe16(out, quint16(qint16(std::lround(v * 32767.0))));
    }
    return out;
}

} // namespace AlarmTone
