#include "applicationid.h"
#include "helpviewer.h"
#include "viewerinstance.h"

#include <QApplication>

// belltide-help FILE [COMMAND [KEYWORD]]
// Opens a Belltide help file. COMMAND is the help command as a decimal
// number: 257 opens the file at KEYWORD, or at its keyword index when KEYWORD
// is empty; 2 asks a viewer to close and opens nothing. A viewer that already
// shows FILE takes the command and comes forward; this one then ends.
int main(int argc, char *argv[])
{
    adoptApplicationId();
    // The starter's permission to take the focus on Wayland, for whichever
    // viewer ends up showing the file.
    const QString activationToken = qEnvironmentVariable("XDG_ACTIVATION_TOKEN");
    QApplication app(argc, argv);

    const QStringList args = QApplication::arguments().mid(1);
    const QString file = args.value(0);
    bool ok = false;
    int command = args.value(1).toInt(&ok);
    if (!ok)
        command = HelpViewer::HelpContents;
    const QString key = args.value(2);

    ViewerInstance instance(file);
    if (!instance.claim(command, key, activationToken) || command == HelpViewer::HelpQuit)
        return 0;

    HelpViewer viewer;
    QObject::connect(&instance, &ViewerInstance::requested, &viewer,
                     [&](int again, const QString &againKey, const QString &token) {
                         if (again == HelpViewer::HelpQuit) {
                             viewer.close();
                             return;
                         }
                         viewer.comeForward(token);
                         viewer.open(file, again, againKey);
                     });
    // Shown before the file is opened, so the page is laid out at the size the
    // reader sees when the viewer scrolls to a topic.
    viewer.show();
    viewer.open(file, command, key);
    return app.exec();
}
