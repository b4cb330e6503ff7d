#include "processshopwindow.h"
#include "shoplink.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <csignal>
#include <sys/types.h>

// ProcessShopWindow against a stand-in helper that logs what it receives.
class TestProcessShopWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void firstClickStartsOneHelperAndSendsTheAddress();
    void furtherClicksGoToTheSameHelper();
    void closedWindowMeansAFreshHelperOnTheNextClick();
    void clickRightAfterTheWindowClosedStartsAFreshHelper();
    void crashedHelperIsReplacedOnTheNextClick();
    void clickRightAfterTheHelperDiedIsHarmless();
    void missingHelperLeavesTheProgramAsItWas();
    void helperThatCannotBeRunLeavesTheProgramAsItWas();
    void helperEndsWithTheProgram();
    void helperThatIgnoresTheEndOfItsInputIsKilled();

private:
    QStringList log() const;
    // The commands the helper with `pid` received, in order.
    QStringList commandsOf(qint64 pid) const;
    // The process ids of the helpers started so far, in order.
    QList<qint64> starts() const;
    // Waits, without running the event loop, until the log has a line.
    bool waitForLogLine(const QString &line, int timeoutMs = 10000) const;
    static bool processGone(qint64 pid);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_logPath;
    const QString m_shop = QString::fromLatin1(Shop::address.toEncoded());
};

void TestProcessShopWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_logPath = m_dir->filePath(QStringLiteral("helper.log"));
}

QStringList TestProcessShopWindow::log() const
{
    QFile f(m_logPath);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

QStringList TestProcessShopWindow::commandsOf(qint64 pid) const
{
    QStringList commands;
    const QString prefix = QString::number(pid) + u' ';
    for (const QString &line : log()) {
        if (!line.startsWith(prefix))
            continue;
        const QString what = line.mid(prefix.size());
        if (what != QLatin1String("start") && what != QLatin1String("eof") && what != QLatin1String("closed"))
            commands << what;
    }
    return commands;
}

QList<qint64> TestProcessShopWindow::starts() const
{
    QList<qint64> pids;
    for (const QString &line : log())
        if (line.endsWith(QLatin1String(" start")))
            pids << line.section(u' ', 0, 0).toLongLong();
    return pids;
}

bool TestProcessShopWindow::waitForLogLine(const QString &line, int timeoutMs) const
{
    QElapsedTimer timer;
    timer.start();
    while (!log().contains(line)) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QThread::msleep(5);
    }
    return true;
}

bool TestProcessShopWindow::processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}

void TestProcessShopWindow::firstClickStartsOneHelperAndSendsTheAddress()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    QCOMPARE(shop.helperProcessId(), 0);
    QVERIFY(log().isEmpty()); // nothing runs before the first click

    openShop(shop);
    const qint64 pid = shop.helperProcessId();
    QVERIFY(pid > 0);
    QTRY_COMPARE(commandsOf(pid).size(), 2);
    QCOMPARE(commandsOf(pid), QStringList({QStringLiteral("show"), QStringLiteral("navigate ") + m_shop}));
    QCOMPARE(m_shop, QStringLiteral("http://www.bookwick.example/exec/obidos/redirect-home/corvanta-20"));
    QCOMPARE(starts(), QList<qint64>{pid});
}

void TestProcessShopWindow::furtherClicksGoToTheSameHelper()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    openShop(shop);
    const qint64 pid = shop.helperProcessId();
    // The second click comes before the helper has even read the first.
    openShop(shop);
    QTRY_COMPARE(commandsOf(pid).size(), 4);
    openShop(shop);
    QTRY_COMPARE(commandsOf(pid).size(), 6);

    const QStringList once{QStringLiteral("show"), QStringLiteral("navigate ") + m_shop};
    QCOMPARE(commandsOf(pid), once + once + once);
    QCOMPARE(starts(), QList<qint64>{pid});
    QCOMPARE(shop.helperProcessId(), pid);
}

void TestProcessShopWindow::closedWindowMeansAFreshHelperOnTheNextClick()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    openShop(shop);
    const qint64 first = shop.helperProcessId();
    QTRY_COMPARE(commandsOf(first).size(), 2);

    ::kill(pid_t(first), SIGUSR1); // the user closes the window
    QTRY_COMPARE(shop.helperProcessId(), 0);
    QTRY_VERIFY(processGone(first));

    openShop(shop);
    const qint64 second = shop.helperProcessId();
    QVERIFY(second > 0);
    QVERIFY(second != first);
    QTRY_COMPARE(commandsOf(second).size(), 2);
    QCOMPARE(commandsOf(second), QStringList({QStringLiteral("show"), QStringLiteral("navigate ") + m_shop}));
    QCOMPARE(commandsOf(first).size(), 2);
    QCOMPARE(starts(), QList<qint64>({first, second}));
}

void TestProcessShopWindow::clickRightAfterTheWindowClosedStartsAFreshHelper()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    openShop(shop);
    const qint64 first = shop.helperProcessId();
    QTRY_COMPARE(commandsOf(first).size(), 2);

    // The window closes, and the click comes before the program's event loop
    // has run again: the click must not be lost on the departing helper.
    ::kill(pid_t(first), SIGUSR1);
    QVERIFY(waitForLogLine(QString::number(first) + QStringLiteral(" closed")));
    openShop(shop);
    const qint64 second = shop.helperProcessId();
    QVERIFY(second > 0);
    QVERIFY(second != first);
    QTRY_COMPARE(commandsOf(second).size(), 2);
    QCOMPARE(starts(), QList<qint64>({first, second}));
}

void TestProcessShopWindow::crashedHelperIsReplacedOnTheNextClick()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    openShop(shop);
    const qint64 first = shop.helperProcessId();
    QTRY_COMPARE(commandsOf(first).size(), 2);

    ::kill(pid_t(first), SIGKILL);
    QTRY_COMPARE(shop.helperProcessId(), 0);

    openShop(shop);
    const qint64 second = shop.helperProcessId();
    QVERIFY(second > 0 && second != first);
    QTRY_COMPARE(commandsOf(second).size(), 2);
    QCOMPARE(starts().size(), 2);
}

void TestProcessShopWindow::clickRightAfterTheHelperDiedIsHarmless()
{
    ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
    openShop(shop);
    const qint64 first = shop.helperProcessId();
    QTRY_COMPARE(commandsOf(first).size(), 2);

    // Killed, and clicked before the event loop has seen it go: writing to
    // the dead helper's input must neither kill the program nor be lost.
    ::kill(pid_t(first), SIGKILL);
    QThread::msleep(200);
    openShop(shop);
    openShop(shop);
    QTRY_COMPARE(starts().size(), 2);
    const qint64 second = starts().last();
    QTRY_VERIFY(commandsOf(second).size() >= 2);
    QCOMPARE(commandsOf(second).mid(0, 2), QStringList({QStringLiteral("show"), QStringLiteral("navigate ") + m_shop}));
}

void TestProcessShopWindow::missingHelperLeavesTheProgramAsItWas()
{
    ProcessShopWindow shop(m_dir->filePath(QStringLiteral("belltide-web")));
    openShop(shop);
    QCOMPARE(shop.helperProcessId(), 0);
    openShop(shop);
    QCOMPARE(shop.helperProcessId(), 0);

    // Once the helper is in place, the next click uses it.
    QVERIFY(QFile::copy(QStringLiteral(FAKE_WEB_HELPER), m_dir->filePath(QStringLiteral("belltide-web"))));
    ProcessShopWindow later(m_dir->filePath(QStringLiteral("belltide-web")), {m_logPath});
    openShop(later);
    QVERIFY(later.helperProcessId() > 0);
    QTRY_COMPARE(commandsOf(later.helperProcessId()).size(), 2);
}

void TestProcessShopWindow::helperThatCannotBeRunLeavesTheProgramAsItWas()
{
    // Executable, but not a program: exec fails after the fork.
    const QString bogus = m_dir->filePath(QStringLiteral("belltide-web"));
    QFile f(bogus);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\x7f" "ELF but not really", 20);
    f.close();
    QVERIFY(f.setPermissions(f.permissions() | QFile::ExeOwner));

    ProcessShopWindow shop(bogus, {m_logPath});
    openShop(shop);
    QTRY_COMPARE(shop.helperProcessId(), 0);
    openShop(shop);
    QTRY_COMPARE(shop.helperProcessId(), 0);
    QVERIFY(log().isEmpty());
}

void TestProcessShopWindow::helperEndsWithTheProgram()
{
    qint64 pid = 0;
    {
        ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath});
        openShop(shop);
        pid = shop.helperProcessId();
        QTRY_COMPARE(commandsOf(pid).size(), 2);
    }
    // It saw the end of its input and went of its own accord.
    QVERIFY(log().contains(QString::number(pid) + QStringLiteral(" eof")));
    QVERIFY(processGone(pid));
}

void TestProcessShopWindow::helperThatIgnoresTheEndOfItsInputIsKilled()
{
    qint64 pid = 0;
    {
        ProcessShopWindow shop(QStringLiteral(FAKE_WEB_HELPER), {m_logPath, QStringLiteral("--ignore-eof")});
        openShop(shop);
        pid = shop.helperProcessId();
        QTRY_COMPARE(commandsOf(pid).size(), 2);
    }
    QVERIFY(log().contains(QString::number(pid) + QStringLiteral(" eof")));
    QVERIFY(processGone(pid));
}

QTEST_GUILESS_MAIN(TestProcessShopWindow)
#include "tst_processshopwindow.moc"
