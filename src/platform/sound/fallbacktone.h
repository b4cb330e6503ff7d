#pragma once

#include <memory>

// The alarm tone for when the media module or Qt Multimedia cannot be loaded
// (a broken or partial install): the built-in tone goes straight to the sound
// server through libpulse-simple, or else to ALSA's default device. Both are
// opened only when the tone is wanted, so they cost the program's start
// nothing, and the tone plays on a thread of its own, so that neither playing
// nor stopping ever makes the window wait.
class FallbackTone
{
public:
    FallbackTone() = default;
    ~FallbackTone();
    FallbackTone(const FallbackTone &) = delete;
    FallbackTone &operator=(const FallbackTone &) = delete;

    // Plays the tone once from its start; a tone still playing is stopped.
    void play();
    void stop();
    bool isPlaying() const;

    struct Run;

private:
    std::shared_ptr<Run> m_run;
};
