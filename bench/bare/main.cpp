// A bare Qt widgets window of about the main window's size whose label shows
// the time, updated by a plain 1 s timer: what any Qt program of this kind
// costs at start-up and idle, to hold Belltide's figures against.

#include <QApplication>
#include <QLabel>
#include <QTime>
#include <QTimer>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt yardstick"));
    window.resize(569, 360);

    QLabel label(&window);
    label.setGeometry(16, 24, 300, 64);
    QFont font = label.font();
    font.setPointSize(36);
    label.setFont(font);

    const auto update = [&label] { label.setText(QTime::currentTime().toString(QStringLiteral("H:mm:ss"))); };
    update();
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, &label, update);
    timer.start(1000);

    window.show();
    return app.exec();
}
