// The media player module, loaded by the program once an alarm is armed.
#include "qtmediaplayer.h"

#include <QByteArray>
#include <QLibrary>
#include <QLibraryInfo>

extern "C" Q_DECL_EXPORT MediaPlayer *belltide_create_media_player()
{
    return new QtMediaPlayer;
}

// Run on a worker thread before the first player is made. Qt Multimedia's
// GStreamer backend is a plugin that the first player would load; it
// initialises GStreamer, which reads (or, on a first run, builds) the plugin
// registry; and the player's first elements load GStreamer plugins of their
// own. Doing all that here leaves the player on the window's thread little
// to do (some 10 ms instead of 50 to 200).
extern "C" Q_DECL_EXPORT void belltide_warm_up_media()
{
    const QByteArray backend = qgetenv("QT_MEDIA_BACKEND");
    if (!backend.isEmpty() && backend != "gstreamer")
        return;
    QLibrary plugin(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                    + QStringLiteral("/multimedia/libgstreamermediaplugin.so"));
    using InitCheck = int (*)(int *, char ***, void **);
    using Make = void *(*)(const char *, const char *);
    using Ref = void *(*)(void *);
    using Unref = void (*)(void *);
    const auto init = reinterpret_cast<InitCheck>(plugin.resolve("gst_init_check"));
    const auto make = reinterpret_cast<Make>(plugin.resolve("gst_element_factory_make"));
    const auto refSink = reinterpret_cast<Ref>(plugin.resolve("gst_object_ref_sink"));
    const auto unref = reinterpret_cast<Unref>(plugin.resolve("gst_object_unref"));
    if (!init || !make || !refSink || !unref || !init(nullptr, nullptr, nullptr))
        return;
    // What a player and its audio output are built from, and what plays the
    // alarm tone; an element this machine lacks is simply not there.
    for (const char *name : {"pipeline", "bin", "uridecodebin", "decodebin", "typefind", "filesrc", "queue",
                             "input-selector", "fakesink", "videoconvert", "videoscale", "audioconvert",
                             "audioresample", "volume", "autoaudiosink", "pulsesink", "jackaudiosink", "oss4sink",
                             "osssink", "wavparse"}) {
        if (void *element = make(name, nullptr))
            unref(refSink(element));
    }
    // The plugin stays loaded (QLibrary does not unload it): Qt finds it
    // there when the first player asks for it.
}
