#include "reminderfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

Q_DECLARE_METATYPE(std::optional<QString>)

class TestReminderFile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("reminder.ini")); }
    QByteArray bytes() const
    {
        QFile f(path());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void textsComeBackWhole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << QStringLiteral("Dentist at 9");
        QTest::newRow("blanks only") << QStringLiteral("   ");
        QTest::newRow("leading and trailing blanks") << QStringLiteral("  call mum  ");
        QTest::newRow("commas") << QStringLiteral("milk, eggs, bread");
        QTest::newRow("quotes") << QStringLiteral("say \"happy birthday\" to \"Jo\"");
        QTest::newRow("a lone quote") << QStringLiteral("\"");
        QTest::newRow("two quotes") << QStringLiteral("a\"\"b");
        QTest::newRow("non-ascii") << QStringLiteral("Zahnarzt – café ☕ 歯医者 🦷");
    }
    void textsComeBackWhole()
    {
        QFETCH(QString, text);
        QString error;
        QVERIFY(ReminderFile::write(path(), text, &error));
        QCOMPARE(ReminderFile::read(path()), std::optional<QString>(text));
    }

    void theExactBytes()
    {
        QVERIFY(ReminderFile::write(path(), QStringLiteral("Buy milk, now"), nullptr));
        QCOMPARE(bytes(), QByteArray("\"Buy milk, now\"\r\n"));
        QVERIFY(ReminderFile::write(path(), QStringLiteral("é"), nullptr));
        QCOMPARE(bytes(), QByteArray("\"\xc3\xa9\"\r\n"));
        QVERIFY(ReminderFile::write(path(), QStringLiteral("a\"b"), nullptr));
        QCOMPARE(bytes(), QByteArray("\"a\"\"b\"\r\n"));
        // written atomically: no temporary file stays behind
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("reminder.ini")});
    }

    // Files written before quotes were doubled, or not written by us at all,
    // read by the reading rule and never crash or hang.
    void readingRule_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<std::optional<QString>>("field");
        using O = std::optional<QString>;
        QTest::newRow("ours") << QByteArray("\"hello\"\r\n") << O(QStringLiteral("hello"));
        QTest::newRow("blanks before") << QByteArray("   \"hi\"\r\n") << O(QStringLiteral("hi"));
        QTest::newRow("old file with a quote inside") << QByteArray("\"say \"hi\" now\"\r\n") << O(QStringLiteral("say "));
        QTest::newRow("unquoted") << QByteArray("plain text, more\r\n") << O(QStringLiteral("plain text"));
        QTest::newRow("unquoted with trailing blanks") << QByteArray("word   \n") << O(QStringLiteral("word"));
        QTest::newRow("unterminated quote") << QByteArray("\"no end, at all") << O(QStringLiteral("no end, at all"));
        QTest::newRow("second line ignored") << QByteArray("\"one\"\r\n\"two\"\r\n") << O(QStringLiteral("one"));
        QTest::newRow("empty file") << QByteArray() << O();
        QTest::newRow("blank line") << QByteArray("   \r\n") << O();
        QTest::newRow("empty field") << QByteArray("\"\"\r\n") << O(QString());
        QTest::newRow("garbage") << QByteArray("\x01\xff\xfe\x00zz", 6) << O(QString::fromUtf8(QByteArray("\x01\xff\xfe\x00zz", 6)));
    }
    void readingRule()
    {
        QFETCH(QByteArray, content);
        QFETCH(std::optional<QString>, field);
        QCOMPARE(ReminderFile::firstField(content), field);
    }

    void aVeryLongLineIsReadOnlyInPart()
    {
        QFile f(path());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("\"");
        f.write(QByteArray(ReminderFile::kMaxReadSize + 1000, 'x'));
        f.close();
        const auto field = ReminderFile::read(path());
        QVERIFY(field);
        QCOMPARE(field->size(), ReminderFile::kMaxReadSize - 1);
    }

    void itLivesBesideAProgramItsUserCanWrite()
    {
        QCOMPARE(ReminderFile::location(m_dir.path(), QStringLiteral("/home/u/.local/share/belltide")),
                 m_dir.filePath(QStringLiteral("reminder.ini")));
        // A folder that cannot be written (or is not there) sends it home.
        QCOMPARE(ReminderFile::location(m_dir.filePath(QStringLiteral("gone")), QStringLiteral("/home/u/.local/share/belltide")),
                 QStringLiteral("/home/u/.local/share/belltide/reminder.ini"));
    }

    void aMissingFileHoldsNoField()
    {
        QCOMPARE(ReminderFile::read(m_dir.filePath(QStringLiteral("none.ini"))), std::optional<QString>());
    }

    void aFailedWriteSaysWhyAndKeepsTheOldFile()
    {
        QVERIFY(ReminderFile::write(path(), QStringLiteral("old"), nullptr));
        QString error;
        QVERIFY(!ReminderFile::write(m_dir.filePath(QStringLiteral("reminder.ini/inside")), QStringLiteral("new"), &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(ReminderFile::read(path()), std::optional<QString>(QStringLiteral("old")));
    }

    // Every reminder written is read back whole; a longer one is refused and
    // the one saved before stays.
    void theWriterKeepsToWhatTheReaderReads_data()
    {
        QTest::addColumn<int>("over");
        QTest::newRow("at the limit") << 0;
        QTest::newRow("one byte over") << 1;
    }
    void theWriterKeepsToWhatTheReaderReads()
    {
        QFETCH(int, over);
        QVERIFY(ReminderFile::write(path(), QStringLiteral("kept"), nullptr));
        // Two quotes and CR LF around the text.
        const QString text(ReminderFile::kMaxReadSize - 4 + over, u'x');
        QString error;
        QCOMPARE(ReminderFile::write(path(), text, &error), over == 0);
        QCOMPARE(error.isEmpty(), over == 0);
        QCOMPARE(ReminderFile::read(path()), std::optional<QString>(over == 0 ? text : QStringLiteral("kept")));
    }
};

QTEST_GUILESS_MAIN(TestReminderFile)
#include "tst_reminderfile.moc"
