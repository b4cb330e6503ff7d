#include "applicationid.h"
#include "helpviewer.h"
#include "singleinstance.h"

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
    const QByteArray activationToken = qgetenv("XDG_ACTIVATION_TOKEN");
    QApplication app(argc, argv);

    const QStringList args = QApplication::arguments().mid(1);
    const QString file = args.value(0);
    bool ok = false;
    int command = args.value(1).toInt(&ok);
    if (!ok)
        command = HelpViewer::HelpContents;
    const QString key = args.value(2);

    // A viewer that holds the file but never listens: this one shows it too.
    SingleInstance instance(QStringLiteral("belltide-help"), HelpViewer::fileKey(file));
    const SingleInstance::Claim claim = instance.claim(activationToken, {QString::number(command), key});
    if (claim == SingleInstance::Claim::HandedOver || command == HelpViewer::HelpQuit)
        return 0;

    HelpViewer viewer;
    QObject::connect(&instance, &SingleInstance::activationRequested, &viewer,
                     [&](const QByteArray &token, const QStringList &request) {
                         bool known = false;
                         const int again = request.value(0).toInt(&known);
                         if (!known)
                             return;
                         const QString againKey = request.value(1);
                         if (again == HelpViewer::HelpQuit) {
                             viewer.close();
                             return;
                         }
                         viewer.comeForward(QString::fromLatin1(token));
                         viewer.open(file, again, againKey);
                     });
    // Shown before the file is opened, so the page is laid out at the size the
    // reader sees when the viewer scrolls to a topic.
    viewer.show();
    viewer.open(file, command, key);
    return app.exec();
}
