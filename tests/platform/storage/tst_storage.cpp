#include "atomicfile.h"
#include "fakes.h"
#include "privatefolder.h"
#include "reminderfile.h"

#include <QDir>
#include <QRandomGenerator>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

// The two files the program keeps, the atomic writer under both, and the
// folders of the user's alone.
class TestStorage : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static QString get(const QString &path) {
        return IniSettingsStore(path).get(u"Corvanta"_s, u"lastsettings"_s, u"timealarm"_s);
    }
    static bool put(const QString &path, const QString &value, QString *error = nullptr) {
        IniSettingsStore s(path);
        const bool ok = s.save(u"Corvanta"_s, u"lastsettings"_s, u"timealarm"_s, value);
        if (error)
            *error = s.errorString();
        return ok;
    }
    static bool chmod(const QString &path, uint mode) {
        return ::chmod(QFile::encodeName(path).constData(), mode) == 0;
    }

private slots:
    // A replaced file keeps its permissions. What a killed save left goes at
    // the next save; a file of the user's, and the temporary file of a save
    // under way (locked), stay. A write that fails half-way (here: a file
    // size limit, as a full disk would) says why, keeps the earlier file
    // byte for byte and leaves no temporary.
    void theAtomicWriter() {
        const QDir left(m_dir.filePath(u"left"_s));
        const QString path = left.filePath(u"settings.ini"_s);
        QVERIFY(put(path, u"first"_s) && chmod(path, 0640));
        const QStringList others{u"settings.ini.backup"_s, u"settings.ini.saving-Held00"_s};
        for (const QString &name : others + QStringList{u"settings.ini.saving-Ab12Cd"_s})
            FakePlatform::write(left.filePath(name), "x");
        const int held = ::open(QFile::encodeName(left.filePath(others[1])).constData(), O_RDONLY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        QVERIFY(writeFileAtomically(path, "second", nullptr));
        ::close(held);
        QCOMPARE(FakePlatform::bytes(path), QByteArray("second"));
        QCOMPARE(QFileInfo(path).permissions(), QFileDevice::Permissions(0x6640));
        QCOMPARE(left.entryList(QDir::Files), QStringList{u"settings.ini"_s} + others);

        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{1024, 1024};
            ::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QString error;
            _exit(writeFileAtomically(path, QByteArray(5000, 'x'), &error) || error.isEmpty());
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the write must fail and say why");
        QCOMPARE(FakePlatform::bytes(path), QByteArray("second"));
        QCOMPARE(left.entryList(QDir::Files | QDir::Hidden), (QStringList{u"settings.ini"_s, others[0]}));
    }

    // Every save is read back whole; a larger one fails and keeps the file.
    void theWriterKeepsToWhatTheReaderReads_data() {
        QTest::addColumn<bool>("settings");
        QTest::addColumn<int>("over");
        QTest::newRow("settings at the limit") << true << 0;
        QTest::newRow("settings one byte over") << true << 1;
        QTest::newRow("reminder at the limit") << false << 0;
        QTest::newRow("reminder one byte over") << false << 1;
    }
    void theWriterKeepsToWhatTheReaderReads() {
        QFETCH(bool, settings);
        QFETCH(int, over);
        const QString path = m_dir.filePath(u"limit.ini"_s);
        QFile::remove(path);
        QString error;
        if (settings) {
            QVERIFY(put(path, QString()));
            const QString value(IniSettingsStore::kMaxFileSize - QFileInfo(path).size() + over, u'x');
            QVERIFY(put(path, u"kept"_s));
            QCOMPARE(put(path, value, &error), over == 0);
            QCOMPARE(get(path), over == 0 ? value : u"kept"_s);
        } else {
            QVERIFY(ReminderFile::write(path, u"kept"_s, nullptr));
            const QString text(ReminderFile::kMaxReadSize - 4 + over, u'x'); // two quotes and CR LF around it
            QCOMPARE(ReminderFile::write(path, text, &error), over == 0);
            QCOMPARE(ReminderFile::read(path), std::optional<QString>(over == 0 ? text : u"kept"_s));
        }
        QCOMPARE(error.isEmpty(), over == 0);
    }

    // What the readers took comes back after a write and a read: seeded
    // random texts, the same on every run.
    void randomTextsComeBackExactly() {
        QRandomGenerator r(20261206);
        for (int i = 0; i < 2000; ++i) {
            QString v;
            for (int n = int(r.bounded(40)); n > 0; --n)
                v += QChar(char16_t(r.bounded(3) ? r.bounded(1, 128) : r.bounded(128, 0xd7ff)));
            const auto read = IniSettingsStore::parse(IniSettingsStore::serialize({{u"s"_s, {{u"k"_s, v}}}}));
            QCOMPARE(read.value(0).values.value(0).second, v);
            QCOMPARE(ReminderFile::firstField(ReminderFile::encode(v)).value_or(QString()), v);
        }
    }

    // Files edited by hand, or not written by us at all, for both readers
    // (oversized settings: anUnreadableFileIsMovedAside). The reminder file's
    // one quoted field, also in files written before quotes were doubled (as
    // we write it: the round trip of randomTextsComeBackExactly).
    void filesNotWrittenByUs_data() {
        QTest::addColumn<bool>("reminder");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("read"); // "<none>": the reminder file holds no field
        QByteArray random(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(42);
        for (auto &c : random)
            c = char(gen.bounded(256));
        const QByteArray s("[Corvanta\\lastsettings]\n");
        const QByteArray byHand("; mine\n[corvanta\\LASTSETTINGS]\n  timealarm =   7:30\nbroken\n");
        QTest::newRow("settings edited by hand") << false << byHand << "7:30";
        QTest::newRow("settings unterminated") << false << s + "timealarm=\"7:3" << "7:3";
        QTest::newRow("settings repeated in other letter case") << false << s + "timealarm=\"1\"\n[x\\y]\n"
                "timealarm=\"2\"\n[CORVANTA\\LastSettings]\nTimeAlarm=\"3\"\n[x\\y]\ntimealarm=\"4\"\n" << "3";
        QTest::newRow("settings of random bytes") << false << random << "";
        QTest::newRow("old file with a quote inside") << true << QByteArray("\"say \"hi\" now\"\r\n") << "say ";
        QTest::newRow("unquoted") << true << QByteArray("plain text  , more\r\n") << "plain text";
        QTest::newRow("unterminated quote") << true << QByteArray("\"no end, at all") << "no end, at all";
        QTest::newRow("a blank line") << true << QByteArray("   \r\n") << "<none>";
    }
    void filesNotWrittenByUs() {
        QFETCH(bool, reminder);
        QFETCH(QByteArray, content);
        QFETCH(QString, read);
        if (reminder) {
            QCOMPARE(ReminderFile::firstField(content).value_or(u"<none>"_s), read);
        } else {
            const QString path = m_dir.filePath(u"garbage.ini"_s);
            FakePlatform::write(path, content);
            QCOMPARE(get(path), read);
            QVERIFY(put(path, u"6:15"_s));
            QCOMPARE(get(path), u"6:15"_s);
        }
    }

    // A settings file that could not be read is moved aside at the first
    // save, under a name no earlier one holds, and said once on stderr; the
    // save then goes ahead. Its bytes are never lost.
    void anUnreadableFileIsMovedAside_data() {
        QTest::addColumn<bool>("locked"); // else over the size limit
        QTest::addColumn<QStringList>("earlier");
        QTest::newRow("over the size limit") << false << QStringList();
        QTest::newRow("not openable") << true << QStringList();
        QTest::newRow("earlier ones kept") << false << QStringList{".unreadable", ".unreadable.1"};
    }
    void anUnreadableFileIsMovedAside() {
        QFETCH(bool, locked);
        QFETCH(QStringList, earlier);
        QTemporaryDir dir;
        QVERIFY(chmod(dir.path(), 0755));
        const QString path = dir.filePath(u"settings.ini"_s);
        QByteArray mine("[Corvanta\\lastsettings]\ntimealarm=\"5:00\"\n[mine]\nkeep=\"all of it\"\n");
        if (!locked)
            mine += QByteArray(IniSettingsStore::kMaxFileSize, ';');
        FakePlatform::write(path, mine);
        for (const QString &suffix : earlier)
            FakePlatform::write(path + suffix, suffix.toUtf8());
        QVERIFY(!locked || QFile::setPermissions(path, {}));
        const bool asNobody = locked && ::geteuid() == 0; // root reads anything
        IniSettingsStore store(path);
        QVERIFY(!asNobody || ::seteuid(65534) == 0);
        const QString read = store.get(u"Corvanta"_s, u"lastsettings"_s, u"timealarm"_s);
        QVERIFY(!asNobody || ::seteuid(0) == 0);
        QCOMPARE(read, QString());

        bool saved = false;
        const QByteArray said = stderrOf([&] {
            saved = store.save(u"Corvanta"_s, u"lastsettings"_s, u"timealarm"_s, u"6:15"_s)
                && store.save(u"CorVanta"_s, u"State"_s, u"remset"_s, u"Set"_s);
        });
        QVERIFY2(saved, qPrintable(store.errorString()));
        const QString aside = path + (earlier.isEmpty() ? u".unreadable"_s : u".unreadable.2"_s);
        QFile::setPermissions(aside, QFile::ReadOwner);
        QVERIFY2(FakePlatform::bytes(aside) == mine, qPrintable(QDir(dir.path()).entryList(QDir::Files).join(u' ')));
        for (const QString &suffix : earlier)
            QCOMPARE(FakePlatform::bytes(path + suffix), suffix.toUtf8());
        QCOMPARE(get(path), u"6:15"_s);
        const QStringList lines = QString::fromUtf8(said).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1); // once, though the store saved twice
        QVERIFY2(lines[0].endsWith(aside), qPrintable(lines[0]));
    }

    // The folders of the user's alone, one table for both rules: where the
    // copies of the program meet (the first private candidate, then a
    // private second one; none for another user), and whether the program's
    // folder may hold the reminder (any who could write it or a folder above
    // it could read or replace the reminder; a system folder serves every user).
    void foldersOfTheUsersAlone_data() {
        QTest::addColumn<QString>("kind");   // its mode, or what it is
        QTest::addColumn<int>("parentMode");
        QTest::addColumn<int>("otherUser");  // judged for another user than its owner
        QTest::addColumn<int>("meets");      // 0 the candidate, 1 the second, -1 none
        QTest::addColumn<bool>("usersOwn");  // the reminder beside the program
        QTest::newRow("private") << "0700" << 0700 << 0 << 0 << true;
        QTest::newRow("a build of the user's") << "0755" << 0700 << 0 << 1 << true;
        QTest::newRow("group may write") << "0730" << 0700 << 0 << 1 << false;
        QTest::newRow("anyone may write the folder above") << "0755" << 0777 << 0 << 1 << false;
        QTest::newRow("in a sticky folder such as /tmp") << "0755" << 01777 << 0 << 1 << true;
        QTest::newRow("someone else's") << "0700" << 0700 << 1 << -1 << false;
        QTest::newRow("a link to a private folder") << "link" << 0700 << 0 << 1 << true;
        QTest::newRow("a file") << "file" << 0700 << 0 << 1 << false;
        QTest::newRow("missing, made") << "made" << 0700 << 0 << 0 << false;
        QTest::newRow("a system folder, even for its owner") << "/usr/lib" << 0700 << 0 << 1 << false;
    }
    void foldersOfTheUsersAlone() {
        QFETCH(QString, kind);
        QFETCH(int, parentMode);
        QFETCH(int, otherUser);
        QFETCH(int, meets);
        QFETCH(bool, usersOwn);
        QTemporaryDir top;
        const QString parent = top.filePath(u"p"_s), second = top.filePath(u"b"_s);
        QVERIFY(QDir().mkdir(parent) && QDir().mkdir(second) && chmod(second, 0700));
        QString folder = parent + u"/a"_s;
        bool isMode = false;
        const uint mode = kind.toUInt(&isMode, 8);
        if (isMode)
            QVERIFY(QDir().mkdir(folder) && chmod(folder, mode));
        else if (kind == u"link"_s)
            QVERIFY(QFile::link(second, folder));
        else if (kind == u"file"_s) // one only its owner may read
            QVERIFY(QFile(folder).open(QIODevice::WriteOnly) && chmod(folder, 0600));
        else if (kind.startsWith(u'/'))
            folder = kind;
        QVERIFY(chmod(parent, uint(parentMode)));
        struct stat st {};
        const uint owner = ::stat(QFile::encodeName(folder).constData(), &st) == 0 ? st.st_uid : ::geteuid();
        QCOMPARE(PrivateFolder::isUsersOwn(folder, owner + otherUser), usersOwn);
        if (otherUser == 0 && owner == ::geteuid()) { // where the program keeps the reminder
            const QString data = top.filePath(u"data"_s), file = u"/reminder.ini"_s;
            QCOMPARE(ReminderFile::location(folder, data), (usersOwn ? folder : data) + file);
            QCOMPARE(ReminderFile::otherLocation(folder, data), usersOwn ? data + file : QString());
        }
        const bool create = kind == u"made"_s;
        const QStringList chosen{folder, second};
        const QList<PrivateFolder::Candidate> candidates{{folder, create}, {second, false}};
        QCOMPARE(PrivateFolder::choose(candidates, ::geteuid() + otherUser), chosen.value(meets));
        if (create)
            QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFile::Permissions()); // nobody else's bits
        chmod(parent, 0700);
    }
};

QTEST_MAIN(TestStorage)
#include "tst_storage.moc"
