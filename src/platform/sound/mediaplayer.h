#pragma once

#include <QString>

// The alarm's media player. Setting the file name starts playing that file at
// once and plays it once; stop() ends playback whether or not anything plays.
class MediaPlayer
{
public:
    virtual ~MediaPlayer() = default;

    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;
    virtual void stop() = 0;

    // An alarm is armed: get ready to play, in the background, so that the
    // sound starts the moment a file is set. Playing works without it.
    virtual void prepare() {}

    // Sound is playing or about to start: a file just set, or the alarm tone.
    virtual bool isPlaying() const { return false; }
};
