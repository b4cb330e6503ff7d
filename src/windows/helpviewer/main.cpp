#include "appicon.h"
#include "helpviewer.h"

#include <QApplication>

// belltide-help FILE [COMMAND [KEYWORD]]
// Opens a Belltide help file. COMMAND is the help command as a decimal
// number: 257 opens the file at KEYWORD, or at its keyword index when KEYWORD
// is empty; 2 asks a viewer to close and opens nothing.
int main(int argc, char *argv[])
{
    adoptApplicationId();
    QApplication app(argc, argv);

    const QStringList args = QApplication::arguments().mid(1);
    const QString file = args.value(0);
    bool ok = false;
    int command = args.value(1).toInt(&ok);
    if (!ok)
        command = HelpViewer::HelpContents;
    const QString key = args.value(2);
    if (command == HelpViewer::HelpQuit)
        return 0;

    HelpViewer viewer;
    // Shown before the file is opened, so the page is laid out at the size the
    // reader sees when the viewer scrolls to a topic.
    viewer.show();
    viewer.open(file, command, key);
    return app.exec();
}
