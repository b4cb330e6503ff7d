#include "fakes.h"
#include "qtsessionend.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QProcess>

// The end of a Wayland session as the desktop portal's session monitor tells
// it, against a stand-in portal on a private session bus
// (tests/support/portal_inhibit.py): the query-end state saves through the
// main window's exit, once, and the portal gets its answer.
class TestSessionEnd : public QObject
{
    Q_OBJECT
    const QString kSession = QStringLiteral("/org/freedesktop/portal/desktop/session/mock/monitor");
    QProcess m_portal;
    QString m_log;

    QByteArray calls() { return FakePlatform::bytes(m_log); }
    void stateChanged(const QString &session, uint state) {
        QDBusMessage emit_ = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"));
        const QVariantMap options{{QStringLiteral("screensaver-active"), false},
                                  {QStringLiteral("session-state"), state}};
        emit_ << QStringLiteral("org.freedesktop.portal.Inhibit") << QStringLiteral("StateChanged")
              << QStringLiteral("oa{sv}")
              << QVariantList{QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusObjectPath(session)))),
                              QVariant::fromValue(QDBusVariant(options))};
        const QDBusMessage reply = QDBusConnection::sessionBus().call(emit_);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }

private slots:
    void initTestCase() {
        QVERIFY2(QDBusConnection::sessionBus().isConnected(), "no session bus: run under dbus-run-session");
        m_log = QDir::temp().filePath(QStringLiteral("belltide-portal-%1.log").arg(QCoreApplication::applicationPid()));
        m_portal.setProcessChannelMode(QProcess::ForwardedChannels);
        m_portal.start(QStringLiteral("/usr/bin/python3"),
                       {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--session"),
                        QStringLiteral("-t"), QStringLiteral(BELLTIDE_PORTAL_TEMPLATE), QStringLiteral("-l"), m_log});
        QVERIFY2(m_portal.waitForStarted(), "python3-dbusmock is missing: scripts/install-deps.sh --test installs it");
        QTRY_VERIFY2_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                      QStringLiteral("org.freedesktop.portal.Desktop")),
                                  "the stand-in portal did not come up (python3-dbusmock: scripts/install-deps.sh --test)",
                                  60000);
    }
    void cleanupTestCase() {
        m_portal.terminate();
        m_portal.waitForFinished();
        QFile::remove(m_log);
    }

    void queryEndSavesOnce_data() {
        QTest::addColumn<QString>("session");
        QTest::addColumn<QList<uint>>("states");
        QTest::addColumn<bool>("saved");
        QTest::newRow("query-end") << kSession << QList<uint>{1, 3} << true;
        QTest::newRow("query-end twice") << kSession << QList<uint>{3, 3} << true;
        QTest::newRow("screen saver, then running") << kSession << QList<uint>{2, 1} << false;
        QTest::newRow("another program's monitor") << kSession + u'2' << QList<uint>{3} << false;
    }
    void queryEndSavesOnce() {
        QFETCH(QString, session);
        QFETCH(QList<uint>, states);
        QFETCH(bool, saved);
        Program b;
        b.start();
        QtSessionEnd sessionEnd;
        connect(&sessionEnd, &SessionEnd::ending, b.w.get(), &FrmAlarmClock::terminationRequested);
        QTRY_VERIFY_WITH_TIMEOUT(calls().count("CreateMonitor") > 0, 30000);
        QTest::qWait(1000); // the stand-in answers the request after 200 ms
        b.ui().TxtTime->setText(QStringLiteral("6:30"));
        const QByteArray answer = "QueryEndResponse \"" + kSession.toUtf8() + '"';
        const int answers = calls().count(answer);
        for (uint state : states)
            stateChanged(session, state);
        if (saved) {
            QTRY_COMPARE_WITH_TIMEOUT(calls().count(answer) - answers,
                                      int(states.count(3)), 30000);
            QCOMPARE(b.p.process.ends, 1);
            QVERIFY(FakePlatform::bytes(b.p.settingsFile()).contains("timealarm=\"6:30\""));
        } else {
            QTest::qWait(1000);
            QCOMPARE(b.p.process.ends, 0);
            QCOMPARE(FakePlatform::bytes(b.p.settingsFile()), QByteArray("<none>"));
        }
    }
};

QTEST_MAIN(TestSessionEnd)
#include "tst_sessionend.moc"
