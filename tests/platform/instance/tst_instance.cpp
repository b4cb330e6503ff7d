#include "singleinstance.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using Claim = SingleInstance::Claim;
using namespace Qt::StringLiterals;

// One running copy of Belltide, or of its help viewer for one help file, and
// a second start's request handed to it.
class TestInstance : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> runtime, cache;

    static Claim claim(const QByteArray &token = {}, const QStringList &arguments = {}) {
        return SingleInstance(u"belltide"_s, u"settings.ini"_s).claim(token, arguments);
    }
    // A writer of our own on the running copy's socket.
    int connectToFirst() const {
        const QStringList found = QDir(runtime->path()).entryList({u"belltide-*.socket"_s}, QDir::System);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(runtime->filePath(found.value(0)));
        std::memcpy(address.sun_path, name.constData(), name.size());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        return ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0 ? fd : -1;
    }

private slots:
    void init() {
        runtime = std::make_unique<QTemporaryDir>();
        cache = std::make_unique<QTemporaryDir>();
        qputenv("XDG_RUNTIME_DIR", runtime->path().toUtf8());
        qputenv("XDG_CACHE_HOME", cache->path().toUtf8());
    }

    // A second start hands its activation token and its arguments over; what
    // cannot be a token (a blank, a control character, over 4096 bytes) is
    // dropped, a copy that says nothing still brings the first forward, and
    // one that stalls holds up nothing (the clock keeps its second). Once the
    // first has let go, the next start runs.
    void aSecondStartHandsItsRequestOver_data() {
        QTest::addColumn<QByteArray>("sent"); // "=" and what another writer sends, or a token
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<QStringList>("arguments");
        const QByteArray wayland("3f5ae8b9-15c9-4aca-ae7f-4d7035410a3e_TIME0");
        QTest::newRow("help request") << wayland << wayland << QStringList{u"257"_s, u"has\npass"_s};
        QTest::newRow("over-long") << QByteArray(4097, 'a') << QByteArray() << QStringList();
        QTest::newRow("escape sequence") << QByteArray("=raise a\x1b]0;x\n") << QByteArray() << QStringList();
        QTest::newRow("over-long writer") << "=raise " + QByteArray(4097, 'a') << QByteArray() << QStringList();
        QTest::newRow("a copy that stalls") << QByteArray("=stall") << QByteArray("after-it") << QStringList();
    }
    void aSecondStartHandsItsRequestOver() {
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, received);
        QFETCH(QStringList, arguments);
        SingleInstance first(u"belltide"_s, u"settings.ini"_s);
        QCOMPARE(first.claim(), Claim::Mine);
        QSignalSpy raised(&first, &SingleInstance::activationRequested);
        const int fd = sent.startsWith('=') ? connectToFirst() : -1;
        if (sent == "=stall") { // says nothing, and stays: the copy after it is answered first
            QCOMPARE(claim(received), Claim::HandedOver);
        } else if (fd >= 0) {
            QCOMPARE(::send(fd, sent.constData() + 1, sent.size() - 1, 0), ssize_t(sent.size() - 1));
            ::close(fd);
        } else {
            QCOMPARE(claim(sent, arguments), Claim::HandedOver);
        }
        QTRY_VERIFY_WITH_TIMEOUT(raised.size() >= 1, 10000);
        QCOMPARE(raised[0][0].toByteArray(), received);
        QCOMPARE(raised[0][1].toStringList(), arguments.replaceInStrings(u"\n"_s, u" "_s));
        if (sent == "=stall")
            ::close(fd);
        first.release(); // saved and still ending: the next copy may start
        QCOMPARE(claim(), Claim::Mine);
    }

    // The copy that holds the lock may not listen yet: a second start tries
    // again until it does, or until that copy has ended, or, should it do
    // neither, gives up.
    void aSecondStartWaitsForTheFirstToListen_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<Claim>("claimed");
        QTest::newRow("listens late") << u"listens"_s << Claim::HandedOver;
        QTest::newRow("ends meanwhile") << u"ends"_s << Claim::Mine;
        QTest::newRow("never listens") << u"stays"_s << Claim::Unanswered;
    }
    void aSecondStartWaitsForTheFirstToListen() {
        QFETCH(QString, first);
        QFETCH(Claim, claimed);
        SingleInstance holder(u"belltide"_s, u"settings.ini"_s), second(u"belltide"_s, u"settings.ini"_s);
        QCOMPARE(holder.claim(), Claim::Mine);
        QSignalSpy raised(&holder, &SingleInstance::activationRequested);
        for (const QFileInfo &socket : QDir(runtime->path()).entryInfoList({u"*.socket"_s}, QDir::System))
            QVERIFY(QFile::remove(socket.filePath())); // the lock taken, no socket yet
        int pauses = 0;
        second.setRetryPause([&] {
            if (++pauses == 3 && first != u"stays")
                holder.release();
            if (pauses == 3 && first == u"listens")
                QCOMPARE(holder.claim(), Claim::Mine);
        });
        QCOMPARE(second.claim("late"), claimed);
        QVERIFY(pauses >= 3);
        QTRY_COMPARE_WITH_TIMEOUT(raised.size(), int(claimed == Claim::HandedOver), 10000);
    }

    // A copy planted where the copies once met, in a folder that is no longer
    // the user's alone, neither keeps a start (of Belltide, or of its help
    // viewer, in a place of its own) from running nor gets its requests: the
    // copies claim a folder of their own.
    void aCopyInAFolderNotTheUsersOwnIsPassedOver() {
        const QString place = u"belltide-help"_s;
        SingleInstance planted(place, u"settings.ini"_s);
        QCOMPARE(planted.claim(), Claim::Mine);
        QVERIFY(QFile::setPermissions(runtime->path(), QFile::Permissions(0x7777)));
        SingleInstance first(place, u"settings.ini"_s);
        QCOMPARE(first.claim(), Claim::Mine);
        QVERIFY(!QDir(cache->filePath(u"belltide-instance"_s)).isEmpty());
        QCOMPARE(SingleInstance(place, u"settings.ini"_s).claim(), Claim::HandedOver); // its own copies still meet
    }
};

QTEST_MAIN(TestInstance)
#include "tst_instance.moc"
