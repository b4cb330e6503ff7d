#include "inisettingsstore.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestIniSettingsStore : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("cfg/belltide/settings.ini")); }
    QString read(const QString &key) const
    {
        return IniSettingsStore(path()).get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), key);
    }
    void writeRaw(const QByteArray &bytes)
    {
        QDir().mkpath(QFileInfo(path()).absolutePath());
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

private slots:
    void init()
    {
        QFile::remove(path());
        QDir(QFileInfo(path()).absolutePath()).removeRecursively();
    }

    void valuesRoundTripExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("year with its blank") << QStringLiteral(" 2026");
        QTest::newRow("blanks only") << QStringLiteral("   ");
        QTest::newRow("trailing blank") << QStringLiteral("7:30 ");
        QTest::newRow("commas") << QStringLiteral("a, b,c");
        QTest::newRow("quotes") << QStringLiteral("say \"hi\" \\ \"");
        QTest::newRow("line breaks and tabs") << QStringLiteral("one\ntwo\r\nthree\tfour");
        QTest::newRow("control bytes") << QStringLiteral("bell\x07 esc\x1b del\x7f");
        QTest::newRow("ini syntax") << QStringLiteral("[x]\nkey=value ;comment");
        QTest::newRow("unicode") << QStringLiteral("Wecker ⏰ — 目覚まし 🎵 ü");
        QTest::newRow("path") << QStringLiteral("/home/me/Music/Morning Song (live).mp3");
    }
    void valuesRoundTripExactly()
    {
        QFETCH(QString, value);
        IniSettingsStore store(path());
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("v"), value));
        QCOMPARE(read(QStringLiteral("v")), value);
        // and survives being rewritten with other values
        IniSettingsStore again(path());
        QVERIFY(again.save(QStringLiteral("Corvanta"), QStringLiteral("other"), QStringLiteral("w"), QStringLiteral("x")));
        QCOMPARE(read(QStringLiteral("v")), value);
    }

    void namesCompareWithoutLetterCase()
    {
        IniSettingsStore store(path());
        QVERIFY(store.save(QStringLiteral("CorVanta"), QStringLiteral("State"), QStringLiteral("remset"), QStringLiteral("Set")));
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("AlarmMusic"), QStringLiteral("a.mp3")));
        QVERIFY(store.save(QStringLiteral("CORVANTA"), QStringLiteral("LastSettings"), QStringLiteral("alarmmusic"), QStringLiteral("b.mp3")));

        IniSettingsStore fresh(path());
        QCOMPARE(fresh.get(QStringLiteral("corvanta"), QStringLiteral("state"), QStringLiteral("REMSET")), QStringLiteral("Set"));
        QCOMPARE(fresh.get(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("AlarmMusic")), QStringLiteral("b.mp3"));
        // one area, one section, one key: the file holds no duplicates
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QCOMPARE(content.count("[Corvanta\\lastsettings]") + content.count("[CORVANTA\\LastSettings]"), 1);
        QCOMPARE(content.toLower().count("alarmmusic="), 1);
    }

    void missingValuesReadEmpty()
    {
        QCOMPARE(read(QStringLiteral("timealarm")), QString()); // no file at all
        IniSettingsStore store(path());
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("remyear"), QStringLiteral(" 2026")));
        QCOMPARE(read(QStringLiteral("timealarm")), QString());
        QCOMPARE(IniSettingsStore(path()).get(QStringLiteral("Nobody"), QStringLiteral("x"), QStringLiteral("y")), QString());
    }

    void severalEntriesSaveInOrderAsOneFile()
    {
        IniSettingsStore store(path());
        QVERIFY(store.save({{QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("remyear"), QStringLiteral(" 2026")},
                            {QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("7:30")}}));
        QFile f(path());
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray content = f.readAll();
        QVERIFY(content.indexOf("remyear") < content.indexOf("timealarm"));
        QVERIFY(!QFile::exists(path() + QStringLiteral(".lock")));
        QCOMPARE(QDir(QFileInfo(path()).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("settings.ini")});
    }

    void handEditedValues()
    {
        writeRaw("; edited by hand\n[corvanta\\LASTSETTINGS]\n  timealarm =   7:30\nAlarmMusic=a, b\nbroken line\nremyear=\"unterminated\n");
        QCOMPARE(read(QStringLiteral("timealarm")), QStringLiteral("7:30"));
        QCOMPARE(read(QStringLiteral("AlarmMusic")), QStringLiteral("a, b"));
        QCOMPARE(read(QStringLiteral("remyear")), QStringLiteral("unterminated"));
    }

    void corruptFilesNeverStopAStart_data()
    {
        QTest::addColumn<QByteArray>("content");
        QByteArray random(64 * 1024, Qt::Uninitialized);
        QRandomGenerator gen(42);
        for (auto &c : random)
            c = static_cast<char>(gen.bounded(256));
        QTest::newRow("random bytes") << random;
        QTest::newRow("truncated") << QByteArray("[Corvanta\\lastsettings]\ntimealarm=\"7:3");
        QTest::newRow("nul bytes") << QByteArray("[Corvanta\\lastsettings]\0\ntimealarm=\0\"x\"", 38);
        QTest::newRow("no sections") << QByteArray("timealarm=\"7:30\"\n");
        QTest::newRow("invalid utf-8") << QByteArray("[Corvanta\\lastsettings]\nAlarmMusic=\"\xff\xfe\xc3\"\n");
    }
    void corruptFilesNeverStopAStart()
    {
        QFETCH(QByteArray, content);
        writeRaw(content);
        read(QStringLiteral("timealarm")); // must not crash or hang
        // and the next save replaces the garbage with readable values
        IniSettingsStore store(path());
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("6:15")));
        QCOMPARE(read(QStringLiteral("timealarm")), QStringLiteral("6:15"));
    }

    void oversizedFileReadsEmpty()
    {
        QByteArray big("[Corvanta\\lastsettings]\ntimealarm=\"7:30\"\n");
        big += QByteArray(IniSettingsStore::kMaxFileSize, ';');
        writeRaw(big);
        QCOMPARE(read(QStringLiteral("timealarm")), QString());
    }

    void aFolderInPlaceOfTheFile()
    {
        QVERIFY(QDir().mkpath(path()));
        QCOMPARE(read(QStringLiteral("timealarm")), QString());
        IniSettingsStore store(path());
        QVERIFY(!store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("7:30")));
        QVERIFY(!store.errorString().isEmpty());
        QCOMPARE(store.location(), path());
        QVERIFY(QFileInfo(path()).isDir()); // nothing of the user's was removed
    }

    void aFailedSaveKeepsThePreviousFile()
    {
        IniSettingsStore store(path());
        QVERIFY(store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("7:30")));
        // The folder turns into something no file can be written in.
        const QString folder = QFileInfo(path()).absolutePath();
        QVERIFY(QFile::rename(path(), m_dir.filePath(QStringLiteral("kept.ini"))));
        QVERIFY(QDir(folder).removeRecursively());
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QVERIFY(!store.save(QStringLiteral("Corvanta"), QStringLiteral("lastsettings"), QStringLiteral("timealarm"), QStringLiteral("8:00")));
        QVERIFY(!store.errorString().isEmpty());
        QFile::remove(folder);
    }

    // Every save is read back whole; a larger one fails and keeps the file.
    void theWriterKeepsToWhatTheReaderReads_data()
    {
        QTest::addColumn<int>("over");
        QTest::newRow("at the limit") << 0;
        QTest::newRow("one byte over") << 1;
    }
    void theWriterKeepsToWhatTheReaderReads()
    {
        QFETCH(int, over);
        const QString area = QStringLiteral("Corvanta"), section = QStringLiteral("lastsettings");
        QVERIFY(IniSettingsStore(path()).save(area, section, QStringLiteral("timealarm"), QString()));
        const qint64 bare = QFileInfo(path()).size();
        QVERIFY(IniSettingsStore(path()).save(area, section, QStringLiteral("timealarm"), QStringLiteral("kept")));
        const QString value(IniSettingsStore::kMaxFileSize - bare + over, u'x');
        IniSettingsStore store(path());
        QCOMPARE(store.save(area, section, QStringLiteral("timealarm"), value), over == 0);
        QCOMPARE(store.errorString().isEmpty(), over == 0);
        QCOMPARE(read(QStringLiteral("timealarm")), over == 0 ? value : QStringLiteral("kept"));
    }
};

QTEST_GUILESS_MAIN(TestIniSettingsStore)
#include "tst_inisettingsstore.moc"
