#include "helpviewer.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QTextBlock>
#include <QListWidget>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

class TstHelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void helpFileLiesBesideTheProgram();
    void emptyKeywordShowsTheKeywordIndex();
    void everyKeywordLeadsToATopic();
    void keywordOpensItsTopic();
    void unknownKeywordFallsBackToTheIndex();
    void otherCommandsOpenTheBeginning();
    void missingFileIsNamedInTheWindow();
    void unreadableFileIsNamedInTheWindow();

private:
    static QString helpFile()
    {
        return QStringLiteral(BELLTIDE_OUTPUT_DIR) + QStringLiteral("/HELP FOR BELLTIDE.HLP");
    }
    static QStringList keywordTexts(const HelpViewer &viewer)
    {
        QStringList texts;
        for (const HelpKeyword &k : viewer.keywordIndex())
            texts << k.text;
        return texts;
    }
    static int anchorY(const HelpViewer &viewer, const QString &anchor);
};

int TstHelpViewer::anchorY(const HelpViewer &viewer, const QString &anchor)
{
    const QTextDocument *doc = viewer.browser()->document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(anchor))
                return int(doc->documentLayout()->blockBoundingRect(block).top());
    return -1;
}

void TstHelpViewer::helpFileLiesBesideTheProgram()
{
    QVERIFY2(QFile::exists(helpFile()), qPrintable(helpFile()));
    QVERIFY(QFile::exists(QStringLiteral(BELLTIDE_OUTPUT_DIR) + QStringLiteral("/belltide-help")));
}

void TstHelpViewer::emptyKeywordShowsTheKeywordIndex()
{
    HelpViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpKey, QString()));

    const QStringList keywords = keywordTexts(viewer);
    for (const char *expected : {"alarm time", "Has Passed", "Set Alarm", "Stop", "Browse", "alarm tone",
                                 "Enable For A Reminder", "reminder, delivery", "reminder.ini", "<<< and >>>",
                                 "Clock Only", "settings.ini", "saving at exit", "one copy at a time"})
        QVERIFY2(keywords.contains(QLatin1String(expected)), expected);

    // The index is shown, and it holds the keywords.
    QListWidget *index = viewer.indexList();
    QVERIFY(index->isVisible());
    QCOMPARE(index->count(), keywords.size());
    QCOMPARE(index->item(0)->text(), keywords.first());
    QCOMPARE(viewer.focusWidget(), index);
    QCOMPARE(index->currentRow(), 0);
    QVERIFY(viewer.windowTitle().contains(QStringLiteral("HELP FOR BELLTIDE.HLP")));
}

void TstHelpViewer::everyKeywordLeadsToATopic()
{
    HelpViewer viewer;
    viewer.resize(720, 400);
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpKey, QString()));

    const QStringList anchors = viewer.anchorNames();
    QVERIFY(!viewer.keywordIndex().isEmpty());
    for (const HelpKeyword &k : viewer.keywordIndex())
        QVERIFY2(anchors.contains(k.anchor), qPrintable(k.text + QStringLiteral(" -> #") + k.anchor));

    // Choosing a keyword in the index scrolls the page to its topic.
    QListWidget *index = viewer.indexList();
    const QList<QListWidgetItem *> stops = index->findItems(QStringLiteral("Stop"), Qt::MatchExactly);
    QCOMPARE(stops.size(), 1);
    index->scrollToItem(stops.first());
    QTest::mouseClick(index->viewport(), Qt::LeftButton, {}, index->visualItemRect(stops.first()).center());
    QCOMPARE(viewer.browser()->source().fragment(), QStringLiteral("stop"));
    const int top = anchorY(viewer, QStringLiteral("stop"));
    QVERIFY(top > 0);
    const QScrollBar *scroll = viewer.browser()->verticalScrollBar();
    QCOMPARE(scroll->value(), std::min(top, scroll->maximum()));
}

void TstHelpViewer::keywordOpensItsTopic()
{
    HelpViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    // Regardless of case, and the beginning of a keyword is enough.
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpKey, QStringLiteral("has pass")));
    QCOMPARE(viewer.browser()->source().fragment(), QStringLiteral("alarm-goes-off"));
    QCOMPARE(viewer.indexList()->currentItem()->text(), QStringLiteral("Has Passed"));
    QCOMPARE(viewer.focusWidget(), viewer.browser());
}

void TstHelpViewer::unknownKeywordFallsBackToTheIndex()
{
    HelpViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpKey, QStringLiteral("snooze")));
    QCOMPARE(viewer.focusWidget(), viewer.indexList());
    QCOMPARE(viewer.browser()->source().fragment(), QString());
    QCOMPARE(viewer.browser()->verticalScrollBar()->value(), 0);
}

void TstHelpViewer::otherCommandsOpenTheBeginning()
{
    HelpViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpContents, QString()));
    QVERIFY(viewer.browser()->toPlainText().startsWith(QStringLiteral("Help for Belltide")));
    QCOMPARE(viewer.browser()->verticalScrollBar()->value(), 0);
    QCOMPARE(viewer.focusWidget(), viewer.browser());
}

void TstHelpViewer::missingFileIsNamedInTheWindow()
{
    QTemporaryDir folder;
    const QString missing = folder.path() + QStringLiteral("/HELP FOR BELLTIDE.HLP");
    HelpViewer viewer;
    viewer.show();
    QVERIFY(QTest::qWaitForWindowExposed(&viewer));
    QVERIFY(!viewer.open(missing, HelpViewer::HelpKey, QString()));
    QVERIFY2(viewer.browser()->toPlainText().contains(missing), qPrintable(viewer.browser()->toPlainText()));
    QVERIFY(viewer.keywordIndex().isEmpty());
    QCOMPARE(viewer.indexList()->count(), 0);
    QVERIFY(viewer.isVisible());
}

void TstHelpViewer::unreadableFileIsNamedInTheWindow()
{
    // A folder where the file should be cannot be read as one, even by root.
    QTemporaryDir folder;
    const QString path = folder.path() + QStringLiteral("/HELP FOR BELLTIDE.HLP");
    QVERIFY(QDir().mkdir(path));
    HelpViewer viewer;
    viewer.show();
    QVERIFY(!viewer.open(path, HelpViewer::HelpKey, QString()));
    QVERIFY(viewer.browser()->toPlainText().contains(path));

    // A good file opened afterwards replaces the message.
    QVERIFY(viewer.open(helpFile(), HelpViewer::HelpKey, QString()));
    QVERIFY(!viewer.browser()->toPlainText().contains(path));
    QVERIFY(viewer.indexList()->count() > 0);
}

QTEST_MAIN(TstHelpViewer)
#include "tst_helpviewer.moc"
