#include "atomicfile.h"
#include "inisettingsstore.h"
#include "reminderfile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

Q_DECLARE_METATYPE(std::optional<QString>)
using Writer = std::function<bool(const QString &path, QString *error)>;
Q_DECLARE_METATYPE(Writer)

// The two files the program keeps, and the atomic writer under both.
class TestStorage : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

    static QByteArray bytes(const QString &path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    static QString randomText(QRandomGenerator &r) {
        QString s;
        for (int i = int(r.bounded(40)); i > 0; --i)
            s += QChar(char16_t(r.bounded(3) ? r.bounded(1, 128) : r.bounded(128, 0xd7ff)));
        return s;
    }
    static QString get(const QString &path, const QString &key) {
        return IniSettingsStore(path).get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), key);
    }

private slots:
    void aReplacedFileKeepsItsPermissions() {
        const QString path = m_dir.filePath(QStringLiteral("kept.ini"));
        QVERIFY(writeFileAtomically(path, "first", nullptr));
        QVERIFY(::chmod(QFile::encodeName(path).constData(), 0640) == 0);
        QVERIFY(writeFileAtomically(path, "second", nullptr));
        QCOMPARE(bytes(path), QByteArray("second"));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0640u);
    }

    // A write that fails half-way (here: a file size limit, as a full disk
    // would) keeps the earlier file byte for byte and leaves no temporary.
    void aFailedWriteKeepsTheEarlierFile_data() {
        QTest::addColumn<Writer>("write");
        const QString big(5000, u'x');
        QTest::newRow("atomic writer") << Writer([big](const QString &p, QString *e) { return writeFileAtomically(p, big.toUtf8(), e); });
        QTest::newRow("settings") << Writer([big](const QString &p, QString *e) {
            IniSettingsStore s(p);
            const bool ok = s.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), big);
            *e = s.errorString();
            return ok;
        });
        QTest::newRow("reminder") << Writer([big](const QString &p, QString *e) { return ReminderFile::write(p, big, e); });
    }
    void aFailedWriteKeepsTheEarlierFile() {
        QFETCH(Writer, write);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("file.ini"));
        QString error;
        QVERIFY(write(path, &error));
        const QByteArray before = bytes(path);
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit{1024, 1024};
            ::signal(SIGXFSZ, SIG_IGN);
            ::setrlimit(RLIMIT_FSIZE, &limit);
            QString why;
            _exit(write(path, &why) ? 1 : why.isEmpty() ? 2 : 0);
        }
        int status = -1;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the write must fail and say why");
        QCOMPARE(bytes(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("file.ini")});
    }

    void settingsComeBackExactly_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("  7:30 ");
        QTest::newRow("quotes and backslashes") << QStringLiteral("say \"hi\" \\ \\n \"");
        QTest::newRow("line breaks and tabs") << QStringLiteral("one\ntwo\r\nthree\tfour");
        QTest::newRow("control bytes") << QStringLiteral("bell\x07 esc\x1b del\x7f");
        QTest::newRow("ini syntax") << QStringLiteral("[x]\nkey=value ;comment");
        QTest::newRow("unicode") << QStringLiteral("Wecker ⏰ — 目覚まし 🎵");
    }
    void settingsComeBackExactly() {
        QFETCH(QString, value);
        const QString path = m_dir.filePath(QStringLiteral("cfg/settings.ini"));
        QFile::remove(path);
        IniSettingsStore store(path);
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("v"), value));
        QVERIFY(IniSettingsStore(path).save(QStringLiteral("Corvanta"), QStringLiteral("other"), QStringLiteral("w"), value));
        QCOMPARE(get(path, QStringLiteral("v")), value);
        QCOMPARE(bytes(path).count('\n'), 5); // two sections of one line each
    }

    // What the reader took from any bytes comes back after a write and a read
    // (a fixed seed: the same cases on every run).
    void randomTextsComeBackExactly() {
        QRandomGenerator r(20261206);
        for (int i = 0; i < 2000; ++i) {
            const QString v = randomText(r);
            const auto read = IniSettingsStore::parse(IniSettingsStore::serialize({{QStringLiteral("s"), {{QStringLiteral("k"), v}}}}));
            QCOMPARE(read.value(0).values.value(0).second, v);
            QCOMPARE(ReminderFile::firstField(ReminderFile::encode(v)).value_or(QString()), v);
        }
    }

    void namesCompareWithoutLetterCase() {
        const QString path = m_dir.filePath(QStringLiteral("case.ini"));
        IniSettingsStore store(path);
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("AlarmMusic"), QStringLiteral("a")));
        QVERIFY(store.save(QStringLiteral("CORVANTA"), QStringLiteral("LastSettings"), QStringLiteral("alarmmusic"), QStringLiteral("b")));
        QCOMPARE(get(path, QStringLiteral("ALARMMUSIC")), QStringLiteral("b"));
        QCOMPARE(bytes(path), QByteArray("[Corvanta\\lastsettings]\nAlarmMusic=\"b\"\n"));
    }

    void filesNotWrittenByUs_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("timealarm");
        QByteArray random(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(42);
        for (auto &c : random)
            c = char(gen.bounded(256));
        QTest::newRow("edited by hand") << QByteArray("; mine\n[corvanta\\LASTSETTINGS]\n  timealarm =   7:30\nbroken\n") << "7:30";
        QTest::newRow("unterminated") << QByteArray("[Corvanta\\lastsettings]\ntimealarm=\"7:3") << "7:3";
        QTest::newRow("no section") << QByteArray("timealarm=\"7:30\"\n") << "";
        QTest::newRow("nul bytes") << QByteArray("[Corvanta\\lastsettings]\0\ntimealarm=\0\"x\"", 38) << "";
        QTest::newRow("random bytes") << random << "";
        QTest::newRow("oversized") << "[Corvanta\\lastsettings]\ntimealarm=\"7:30\"\n" + QByteArray(IniSettingsStore::kMaxFileSize, ';') << "";
    }
    void filesNotWrittenByUs() {
        QFETCH(QByteArray, content);
        QFETCH(QString, timealarm);
        const QString path = m_dir.filePath(QStringLiteral("garbage.ini"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size());
        f.close();
        if (QTest::currentDataTag() != QByteArray("random bytes"))
            QCOMPARE(get(path, QStringLiteral("timealarm")), timealarm);
        QVERIFY(IniSettingsStore(path).save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("6:15")));
        QCOMPARE(get(path, QStringLiteral("timealarm")), QStringLiteral("6:15"));
        ReminderFile::read(path); // no crash, no hang
    }

    void reminderFileBytes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("plain") << "Buy milk, now" << QByteArray("\"Buy milk, now\"\r\n");
        QTest::newRow("quotes") << "a\"b\"\"" << QByteArray("\"a\"\"b\"\"\"\"\"\r\n");
        QTest::newRow("blanks only") << "   " << QByteArray("\"   \"\r\n");
        QTest::newRow("utf-8") << "é ☕" << QByteArray("\"\xc3\xa9 \xe2\x98\x95\"\r\n");
    }
    void reminderFileBytes() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("rem/reminder.ini"));
        QVERIFY(ReminderFile::write(path, text, nullptr));
        QCOMPARE(TestStorage::bytes(path), bytes);
        QCOMPARE(ReminderFile::read(path), std::optional<QString>(text));
    }

    void reminderReadingRule_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<std::optional<QString>>("field");
        using O = std::optional<QString>;
        QTest::newRow("blanks before") << QByteArray("   \"hi\"\r\n") << O("hi");
        QTest::newRow("old file with a quote inside") << QByteArray("\"say \"hi\" now\"\r\n") << O("say ");
        QTest::newRow("unquoted") << QByteArray("plain text, more\r\n") << O("plain text");
        QTest::newRow("unquoted, trailing blanks") << QByteArray("word   \n") << O("word");
        QTest::newRow("unterminated quote") << QByteArray("\"no end, at all") << O("no end, at all");
        QTest::newRow("second line ignored") << QByteArray("\"one\"\r\n\"two\"\r\n") << O("one");
        QTest::newRow("empty file") << QByteArray() << O();
        QTest::newRow("blank line") << QByteArray("   \r\n") << O();
        QTest::newRow("empty field") << QByteArray("\"\"\r\n") << O(QString());
    }
    void reminderReadingRule() {
        QFETCH(QByteArray, content);
        QFETCH(std::optional<QString>, field);
        QCOMPARE(ReminderFile::firstField(content), field);
    }

    void theReminderFileLivesBesideAProgramItsUserCanWrite() {
        const QString home = QStringLiteral("/home/u/.local/share/belltide");
        QCOMPARE(ReminderFile::location(m_dir.path(), home), m_dir.filePath(QStringLiteral("reminder.ini")));
        QCOMPARE(ReminderFile::location(m_dir.filePath(QStringLiteral("gone")), home), home + QStringLiteral("/reminder.ini"));
        QCOMPARE(ReminderFile::read(m_dir.filePath(QStringLiteral("none.ini"))), std::optional<QString>());
    }
};

QTEST_GUILESS_MAIN(TestStorage)
#include "tst_storage.moc"
