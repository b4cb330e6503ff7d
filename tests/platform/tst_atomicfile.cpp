#include "atomicfile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

class TestAtomicFile : public QObject
{
    Q_OBJECT

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

private slots:
    void replacesTheContentAndKeepsThePermissions()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QString error;
        QVERIFY(writeFileAtomically(path, "first", &error));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(writeFileAtomically(path, "second", &error));
        QCOMPARE(read(path), QByteArray("second"));
        struct stat st;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0600u);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("settings.ini")});
    }

    void aFolderInTheWaySaysWhy()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("taken")));
        QString error;
        QVERIFY(!writeFileAtomically(dir.filePath(QStringLiteral("taken")), "x", &error));
        QVERIFY(!error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    // A full disk must fail the write and keep the old file whole.
    void aFullDiskKeepsTheOldFile()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system");
        QTemporaryDir dir;
        QVERIFY(::mount("tmpfs", dir.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") == 0);
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QString error;
        QVERIFY(writeFileAtomically(path, "saved before", &error));
        {
            QFile filler(dir.filePath(QStringLiteral("filler")));
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            const QByteArray block(4096, '\0');
            while (filler.write(block) == block.size()) {
            }
        }
        const bool written = writeFileAtomically(path, QByteArray(100, 'n'), &error);
        const QByteArray after = read(path);
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        ::umount(dir.path().toLocal8Bit().constData());

        QVERIFY(!written);
        QVERIFY2(error.contains(QStringLiteral("space")), qPrintable(error));
        QCOMPARE(after, QByteArray("saved before"));
        QCOMPARE(files, (QStringList{QStringLiteral("filler"), QStringLiteral("settings.ini")}));
    }

    // What a killed save left goes at the next save; a file of the user's,
    // and the temporary file of a save under way (locked), stay.
    void leftoversOfAKilledSaveGo()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("settings.ini"));
        QString error;
        QVERIFY(writeFileAtomically(path, "first", &error));
        const QStringList others{QStringLiteral("settings.ini.backup"), QStringLiteral("settings.ini.saving-Held00")};
        for (const QString &name : others + QStringList{QStringLiteral("settings.ini.saving-Ab12Cd")})
            QVERIFY(QFile(dir.filePath(name)).open(QIODevice::WriteOnly));
        const int held = ::open(QFile::encodeName(dir.filePath(others[1])).constData(), O_RDONLY);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX) == 0);
        QVERIFY(writeFileAtomically(path, "second", &error));
        ::close(held);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("settings.ini")} + others);
    }
};

QTEST_GUILESS_MAIN(TestAtomicFile)
#include "tst_atomicfile.moc"
