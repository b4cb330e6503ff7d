// bench_alarmstall MODULE MUSIC_FILE
//
// Runs the real main window with the real media player, loaded from MODULE,
// on a clock that runs with the system clock but is set, before each alarm,
// to a few seconds before a minute (every other service a stand-in). Four
// alarms, one after the other as a user would set them: Set Alarm for the
// coming minute, the alarm fires, Stop two seconds later. The first loads the
// media module; the second plays the file again; the third names a file that
// is gone and the fourth one that is no sound, so both fall back to the tone.
// A 2 ms timer notes how long the event loop went without turning, from Set
// Alarm to a second after Stop. Prints one line:
//   first=12 second=5 gone=6 nosound=9 max=12
// (milliseconds, the longest wait of each alarm) and exits with 0.

#include "clock.h"
#include "clocktext.h"
#include "fakes.h"
#include "frmalarmclock.h"
#include "lazymediaplayer.h"
#include "ui_frmalarmclock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

// The system clock, shifted by whole seconds.
class ShiftedClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime().addSecs(shift); }
    qint64 shift = 0;
};

class LoopWatch
{
public:
    LoopWatch()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }
    void start()
    {
        m_clock.start();
        m_last = 0;
        m_longest = 0;
        m_timer.start();
    }
    qint64 stop()
    {
        m_timer.stop();
        return m_longest;
    }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_alarmstall MODULE MUSIC_FILE\n");
        return 2;
    }
    QTemporaryDir dir;
    const QString noSound = dir.filePath(QStringLiteral("notes.mp3"));
    QFile notes(noSound);
    if (!notes.open(QIODevice::WriteOnly) || notes.write("These are not the tunes you are looking for.\n") <= 0)
        return 1;
    notes.close();

    ShiftedClock clock;
    LazyMediaPlayer player(QString::fromLocal8Bit(argv[1]));
    FakePlatform fakes;
    const Services s = fakes.services(&clock);
    FrmAlarmClock window(Services{s.clock, s.settings, player, s.fileDialog, s.messageBox, s.help, s.shop,
                                  s.process, s.sleep, s.wake, s.applicationDirectory, s.reminderFile, s.otherReminderFile});
    Ui::FrmAlarmClock &ui = window.ui();
    window.Form_Load();
    window.show();
    wait(1500);

    const QString files[] = {QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[2]),
                             dir.filePath(QStringLiteral("gone.wav")), noSound};
    qint64 longest[4] = {};
    LoopWatch watch;
    for (int i = 0; i < 4; ++i) {
        // The clock to hh:mm:56, then on to hh:mm:57.5: Set Alarm comes
        // two and a half seconds before the alarm's minute.
        clock.shift = (56 - QDateTime::currentDateTime().time().second() + 60) % 60;
        const QTime alarm = clock.now().time().addSecs(10);
        wait(1000 - QDateTime::currentDateTime().time().msec() + 500);

        watch.start();
        ui.Txtfile->setText(files[i]);
        ui.TxtTime->setText(timeText(alarm));
        ui.CmdSet->click();
        QElapsedTimer fired;
        fired.start();
        while (!ui.TxtTime->text().endsWith(QLatin1String(" Has Passed")) && fired.elapsed() < 10000)
            wait(20);
        wait(2000);
        ui.CmdReset->click();
        wait(1000);
        longest[i] = watch.stop();
    }
    std::printf("first=%lld second=%lld gone=%lld nosound=%lld max=%lld\n", longest[0], longest[1], longest[2],
                longest[3], *std::max_element(longest, longest + 4));
    return 0;
}
