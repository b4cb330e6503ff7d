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
// GStreamer backend is a plugin that the first player would load, and it
// initialises GStreamer, which reads (or, on a first run, builds) the plugin
// registry: loading the plugin and initialising GStreamer here leaves the
// player on the window's thread little to do.
extern "C" Q_DECL_EXPORT void belltide_warm_up_media()
{
    const QByteArray backend = qgetenv("QT_MEDIA_BACKEND");
    if (!backend.isEmpty() && backend != "gstreamer")
        return;
    QLibrary plugin(QLibraryInfo::path(QLibraryInfo::PluginsPath)
                    + QStringLiteral("/multimedia/libgstreamermediaplugin.so"));
    using InitCheck = int (*)(int *, char ***, void **);
    if (const auto init = reinterpret_cast<InitCheck>(plugin.resolve("gst_init_check")))
        init(nullptr, nullptr, nullptr);
    // The plugin stays loaded (QLibrary does not unload it): Qt finds it
    // there when the first player asks for it.
}
