// The media player module, loaded by the program when the first alarm plays.
#include "qtmediaplayer.h"

extern "C" Q_DECL_EXPORT MediaPlayer *belltide_create_media_player()
{
    return new QtMediaPlayer;
}
