// Writes the program's clock-face icon as PNG files for the desktop's icon
// theme: makeicons OUTDIR NAME SIZE... -> OUTDIR/SIZExSIZE/apps/NAME.png
#include "appicon.h"

#include <QDir>
#include <QGuiApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: makeicons OUTDIR NAME SIZE...\n");
        return 2;
    }
    for (const QString &sizeText : args.mid(3)) {
        const int size = sizeText.toInt();
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(args[1]).arg(size);
        if (size <= 0 || !QDir().mkpath(dir) || !clockFacePixmap(size).save(dir + u'/' + args[2] + QStringLiteral(".png"))) {
            std::fprintf(stderr, "makeicons: cannot write the %s icon\n", qPrintable(sizeText));
            return 1;
        }
    }
    return 0;
}
