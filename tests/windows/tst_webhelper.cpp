#include "shoplink.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

// The real belltide-web, with the web engine, driven as Belltide drives it.
// Nothing here needs the internet: the shop's host never resolves, the
// helper reports the addresses its page asks for, and a page that does load
// comes from a server on the loopback address.
class TestWebHelper : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsOneWindowAndAsksForTheShopAddress();
    void loadsAPageThatCanBeReached();
    void closingTheWindowEndsTheHelper();
    void endOfInputEndsTheHelper();

private:
    void start();
    void send(const QByteArray &line);
    // Everything the helper has said on its standard output so far.
    QStringList said();
    int count(const QString &line);

    QProcess *m_helper = nullptr;
    QStringList m_said;
    QByteArray m_partial;
    const QString m_shop = QString::fromLatin1(Shop::address.toEncoded());
};

// The web engine takes a few seconds to come up on a loaded machine.
constexpr int kWait = 90000;

void TestWebHelper::init()
{
    m_said.clear();
    m_partial.clear();
    m_helper = new QProcess(this);
    m_helper->setProgram(QStringLiteral(BELLTIDE_WEB_HELPER));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("BELLTIDE_WEB_LOG"), QStringLiteral("1"));
    m_helper->setProcessEnvironment(env);
    m_helper->setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

void TestWebHelper::cleanup()
{
    if (m_helper->state() != QProcess::NotRunning) {
        m_helper->closeWriteChannel();
        if (!m_helper->waitForFinished(10000))
            m_helper->kill();
        m_helper->waitForFinished();
    }
    delete m_helper;
    m_helper = nullptr;
}

void TestWebHelper::start()
{
    m_helper->start();
    QVERIFY(m_helper->waitForStarted());
}

void TestWebHelper::send(const QByteArray &line)
{
    m_helper->write(line + '\n');
}

QStringList TestWebHelper::said()
{
    m_partial += m_helper->readAllStandardOutput();
    qsizetype end;
    while ((end = m_partial.indexOf('\n')) >= 0) {
        m_said << QString::fromUtf8(m_partial.left(end));
        m_partial.remove(0, end + 1);
    }
    return m_said;
}

int TestWebHelper::count(const QString &line)
{
    return int(said().count(line));
}

void TestWebHelper::showsOneWindowAndAsksForTheShopAddress()
{
    start();
    send("show");
    send("navigate " + Shop::address.toEncoded());

    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("request ") + m_shop), 1, kWait);
    // The host is unknown: the view shows its own error page, and the window
    // and the helper stay.
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("loaded failed ") + m_shop), 1, kWait);
    QTest::qWait(500);
    QCOMPARE(m_helper->state(), QProcess::Running);
    QVERIFY(!said().contains(QStringLiteral("closed")));

    // A second click: the same window loads the address afresh.
    send("show");
    send("navigate " + Shop::address.toEncoded());
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("request ") + m_shop), 2, kWait);
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("loaded failed ") + m_shop), 2, kWait);

    const QStringList windows = said().filter(QRegularExpression(QStringLiteral("^window ")));
    QCOMPARE(windows, QStringList{QStringLiteral("window 639x560 ") + Shop::name});
    // Nothing but the shop's address was asked for: no start page.
    QCOMPARE(said().filter(QRegularExpression(QStringLiteral("^request "))),
             QStringList({QStringLiteral("request ") + m_shop, QStringLiteral("request ") + m_shop}));
    QCOMPARE(m_helper->state(), QProcess::Running);
}

void TestWebHelper::loadsAPageThatCanBeReached()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket *socket = server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                if (!socket->readAll().contains("\r\n\r\n"))
                    return;
                const QByteArray body = "<html><head><title>Shop</title></head><body>Open</body></html>";
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\nContent-Length: "
                              + QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    const QString page = QStringLiteral("http://127.0.0.1:%1/exec/obidos/redirect-home/corvanta-20").arg(server.serverPort());

    start();
    send("show");
    send("navigate " + page.toLatin1());
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("loaded ok ") + page), 1, kWait);
    QCOMPARE(count(QStringLiteral("request ") + page), 1);
}

void TestWebHelper::closingTheWindowEndsTheHelper()
{
    start();
    send("show");
    QTRY_COMPARE_WITH_TIMEOUT(said().filter(QRegularExpression(QStringLiteral("^window "))).size(), 1, kWait);
    send("close");
    QTRY_COMPARE_WITH_TIMEOUT(m_helper->state(), QProcess::NotRunning, kWait);
    QVERIFY(said().contains(QStringLiteral("closed")));
    QCOMPARE(m_helper->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_helper->exitCode(), 0);
}

void TestWebHelper::endOfInputEndsTheHelper()
{
    start();
    send("show");
    send("navigate " + Shop::address.toEncoded());
    QTRY_COMPARE_WITH_TIMEOUT(count(QStringLiteral("request ") + m_shop), 1, kWait);
    m_helper->closeWriteChannel();
    QTRY_COMPARE_WITH_TIMEOUT(m_helper->state(), QProcess::NotRunning, kWait);
    QCOMPARE(m_helper->exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_helper->exitCode(), 0);
    // Going with Belltide is not the user closing the window.
    QVERIFY(!said().contains(QStringLiteral("closed")));
}

QTEST_GUILESS_MAIN(TestWebHelper)
#include "tst_webhelper.moc"
