#include "qtplatform.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// The music file dialog: Qt's own dialog, titled "Open", offering the three
// music types in order, matching names without regard to letter case, and
// keeping its file name from one use to the next.
class TestQtFileDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_music;

    // Runs `inspect` on the dialog once it is shown, then lets it close.
    static bool whileShown(QtFileDialog &dialog, const std::function<void(QFileDialog *)> &inspect)
    {
        QTimer::singleShot(0, [inspect] {
            QTRY_VERIFY(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
            inspect(qobject_cast<QFileDialog *>(QApplication::activeModalWidget()));
        });
        return dialog.showOpen();
    }

    static QStringList shownFiles(QFileDialog *d)
    {
        auto *model = d->findChild<QFileSystemModel *>();
        const QModelIndex dir = model->index(d->directory().absolutePath());
        QStringList names;
        for (int row = 0; row < model->rowCount(dir); ++row) {
            const QModelIndex i = model->index(row, 0, dir);
            if (!model->isDir(i))
                names << model->fileName(i);
        }
        names.sort();
        return names;
    }

private slots:
    void initTestCase()
    {
        for (const char *name : {"a.mp3", "B.MP3", "song.WAV", "tune.wav", "Song.Wav", "old.wma", "notes.txt"}) {
            QFile f(m_music.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    void titleTypesAndFirstUse()
    {
        QtFileDialog dialog(QStringLiteral("Open"),
                            QStringLiteral("mp3(*.mp3)|*.mp3|Wave(*.Wav)|*.Wav|WindowsMediaPlayer(*.wma)|*.wma"));
        QCOMPARE(dialog.fileName(), QString());
        bool seen = false;
        const bool chosen = whileShown(dialog, [&](QFileDialog *d) {
            seen = true;
            QCOMPARE(d->windowTitle(), QStringLiteral("Open"));
            QVERIFY(d->testOption(QFileDialog::DontUseNativeDialog));
            QCOMPARE(d->nameFilters(), (QStringList{QStringLiteral("mp3(*.mp3)"), QStringLiteral("Wave(*.Wav)"),
                                                   QStringLiteral("WindowsMediaPlayer(*.wma)")}));
            QCOMPARE(d->selectedNameFilter(), QStringLiteral("mp3(*.mp3)"));

            d->setDirectory(m_music.path());
            QTRY_COMPARE(shownFiles(d), (QStringList{QStringLiteral("B.MP3"), QStringLiteral("a.mp3")}));
            d->selectNameFilter(QStringLiteral("Wave(*.Wav)"));
            QTRY_COMPARE(shownFiles(d), (QStringList{QStringLiteral("Song.Wav"), QStringLiteral("song.WAV"),
                                                     QStringLiteral("tune.wav")}));
            d->reject();
        });
        QVERIFY(seen);
        QVERIFY(!chosen);
        QCOMPARE(dialog.fileName(), QString());
    }

    void theChosenNameIsKept()
    {
        QtFileDialog dialog(QStringLiteral("Open"), QStringLiteral("Wave(*.Wav)|*.Wav"));
        const QString song = m_music.filePath(QStringLiteral("song.WAV"));
        QVERIFY(whileShown(dialog, [&](QFileDialog *d) {
            d->setDirectory(m_music.path());
            d->selectFile(song);
            QMetaObject::invokeMethod(d, "accept");
        }));
        QCOMPARE(dialog.fileName(), song);

        // The next use starts on the same file; a cancel keeps it.
        QVERIFY(!whileShown(dialog, [&](QFileDialog *d) {
            QCOMPARE(d->directory().absolutePath(), m_music.path());
            QCOMPARE(d->selectedFiles(), QStringList{song});
            d->reject();
        }));
        QCOMPARE(dialog.fileName(), song);
    }
};

QTEST_MAIN(TestQtFileDialog)
#include "tst_qtfiledialog.moc"
