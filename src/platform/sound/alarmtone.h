#pragma once

#include <QByteArray>

// The alarm's own tone, for when the chosen music cannot be played: a few
// seconds of bright double beeps that grow louder, made in memory so that no
// sound file has to be found on the machine. The result is a complete WAV file
// (RIFF, 16-bit PCM, mono).
namespace AlarmTone {

constexpr int sampleRate = 22050;

QByteArray wav();

} // namespace AlarmTone
