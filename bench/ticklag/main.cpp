// bench_ticklag [SECONDS] [--verbose]
//
// Runs the real main window on the real system clock (every other service a
// stand-in) for SECONDS (default 60) and watches its seconds box. Each time
// the box takes a new text, the wall-clock time is noted; the lag is how many
// milliseconds after the turn of the second that the text names it appeared.
// Also noted: when the box was next painted, whether the text named the
// wall-clock second of its moment, and whether a second was skipped or shown
// twice. The start-up tick, which is not aligned to the second, is left out of
// the lag figures. Prints a summary line:
//   samples=60 p50=2 p99=4 max=5 skipped=0 repeated=0 wrong=0 paint_p50=3 ...

#include "fakes.h"
#include "frmalarmclock.h"
#include "ticktimer.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

struct Change
{
    qint64 at;          // wall-clock ms since the epoch
    int second;         // the second the text names, or -1
    qint64 paintedAt = -1;
};

int secondOfText(const QString &text)
{
    bool ok = false;
    const int s = text.mid(1).toInt(&ok);
    return text.size() == 3 && text.startsWith(u':') && ok && s >= 0 && s < 60 ? s : -1;
}

int wallSecond(qint64 msecsSinceEpoch)
{
    return QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).time().second();
}

// Milliseconds from the turn of the second that `second` names, nearest to
// `at`, to `at`: negative when the text came before its second began.
qint64 lagBehind(qint64 at, int second)
{
    const qint64 turn = at - at % 1000;
    const int diff = ((second - wallSecond(at)) % 60 + 60) % 60; // 0, or 1 (early), or 59 (late)...
    const int signedDiff = diff > 30 ? diff - 60 : diff;
    return at - (turn + signedDiff * 1000LL);
}

qint64 percentile(QList<qint64> values, double p)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    // nearest rank
    qsizetype rank = static_cast<qsizetype>(std::ceil(p / 100.0 * values.size()));
    rank = std::clamp<qsizetype>(rank, 1, values.size());
    return values[rank - 1];
}

class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QList<Change> &changes) : m_changes(changes) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_changes.isEmpty() && m_changes.last().paintedAt < 0)
            m_changes.last().paintedAt = QDateTime::currentMSecsSinceEpoch();
        return QObject::eventFilter(watched, event);
    }

private:
    QList<Change> &m_changes;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    QApplication::setFont(QFont(QStringLiteral("Arial"), 8));

    int seconds = 60;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a == QLatin1String("--verbose"))
            verbose = true;
        else
            seconds = a.toInt();
    }
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: bench_ticklag [SECONDS] [--verbose]\n");
        return 2;
    }

    SystemClock clock;
    FakePlatform fakes;
    FrmAlarmClock window(fakes.services(&clock));

    auto *box = window.findChild<QLineEdit *>(QStringLiteral("txttimetot2"));
    auto *timer1 = window.findChild<TickTimer *>(QStringLiteral("Timer1"));
    if (!box || !timer1) {
        std::fprintf(stderr, "bench_ticklag: the main window has no txttimetot2 or no Timer1\n");
        return 1;
    }

    QList<Change> changes;
    QObject::connect(box, &QLineEdit::textChanged, box, [&changes](const QString &text) {
        changes.append({QDateTime::currentMSecsSinceEpoch(), secondOfText(text)});
    });
    // textChanged stays silent when a tick writes the text it already shows,
    // so count the ticks that did.
    int repeated = 0;
    QString lastTickText;
    QObject::connect(timer1, &TickTimer::timeout, box, [&] {
        if (!lastTickText.isNull() && box->text() == lastTickText)
            ++repeated;
        lastTickText = box->text();
    });
    PaintWatch paintWatch(changes);
    box->installEventFilter(&paintWatch);

    window.Form_Load();
    window.show();
    QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    QList<qint64> lags, paintLags;
    int skipped = 0, wrong = 0;
    for (qsizetype i = 0; i < changes.size(); ++i) {
        const Change &c = changes[i];
        const bool right = c.second >= 0 && c.second == wallSecond(c.at);
        if (!right)
            ++wrong;
        if (i > 0 && c.second >= 0 && changes[i - 1].second >= 0) {
            const int step = ((c.second - changes[i - 1].second) % 60 + 60) % 60;
            if (step > 1)
                skipped += step - 1;
        }
        const qint64 lag = c.second >= 0 ? lagBehind(c.at, c.second) : -1;
        const qint64 paintLag = c.second >= 0 && c.paintedAt >= 0 ? lagBehind(c.paintedAt, c.second) : -1;
        if (verbose)
            std::fprintf(stderr, "%s %s lag=%lld painted=%lld%s\n",
                         qPrintable(QDateTime::fromMSecsSinceEpoch(c.at).toString(QStringLiteral("HH:mm:ss.zzz"))),
                         c.second >= 0 ? qPrintable(QStringLiteral(":%1").arg(c.second, 2, 10, QChar(u'0'))) : "?",
                         static_cast<long long>(lag), static_cast<long long>(paintLag), right ? "" : " WRONG");
        if (i == 0)
            continue; // the start-up tick comes 100 ms after load, not at a turn
        lags.append(lag);
        if (paintLag >= 0)
            paintLags.append(paintLag);
    }

    std::printf("samples=%lld p50=%lld p99=%lld max=%lld skipped=%d repeated=%d wrong=%d "
                "paint_p50=%lld paint_p99=%lld paint_max=%lld\n",
                static_cast<long long>(lags.size()), percentile(lags, 50), percentile(lags, 99),
                percentile(lags, 100), skipped, repeated, wrong, percentile(paintLags, 50),
                percentile(paintLags, 99), percentile(paintLags, 100));
    return 0;
}
