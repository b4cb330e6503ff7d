#include "singleinstance.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void aSecondCopyAsksTheFirstToComeForward()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString key = runtime.filePath(QStringLiteral("settings.ini"));

        SingleInstance first(key);
        QVERIFY(first.claim());
        QSignalSpy raised(&first, &SingleInstance::activationRequested);

        SingleInstance second(key);
        QVERIFY(!second.claim());
        QVERIFY(raised.wait(2000));

        // Another settings file is another program.
        SingleInstance other(runtime.filePath(QStringLiteral("other.ini")));
        QVERIFY(other.claim());
    }

    void aKilledCopyLeavesNothingInTheWay()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        const QString key = runtime.filePath(QStringLiteral("settings.ini"));
        {
            SingleInstance gone(key);
            QVERIFY(gone.claim());
        }
        SingleInstance next(key);
        QVERIFY(next.claim());
        QSignalSpy raised(&next, &SingleInstance::activationRequested);
        SingleInstance second(key);
        QVERIFY(!second.claim());
        QVERIFY(raised.wait(2000));
    }

    // A copy that has saved and is still ending lets the next one start.
    void aReleasedCopyLetsTheNextOneStart()
    {
        QTemporaryDir runtime;
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        SingleInstance ending(runtime.filePath(QStringLiteral("settings.ini")));
        QVERIFY(ending.claim());
        ending.release();
        QVERIFY(SingleInstance(runtime.filePath(QStringLiteral("settings.ini"))).claim());
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
