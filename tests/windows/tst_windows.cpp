#include "fakes.h"
#include "frmabout.h"
#include "helpviewer.h"
#include "processshopwindow.h"
#include "shoplink.h"

#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QTextBrowser>

#include <csignal>

using namespace Qt::StringLiterals;

// The About window, help access and the shop's helper process.
class TestWindows : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

    static QStringList lines(const QString &path) {
        return QString::fromUtf8(FakePlatform::bytes(path)).split(u'\n', Qt::SkipEmptyParts);
    }

private slots:
    void init() {
        b = std::make_unique<Program>();
        b->start();
        b->w->show();
        QVERIFY(QTest::qWaitForWindowExposed(b->w.get()));
    }
    void cleanup() { b.reset(); }

    // Closed with OK or Esc, the About window is gone: the next one is loaded afresh.
    void aboutClosesEveryWay() {
        const std::function<void(FrmAbout *)> ways[] = {
            [](FrmAbout *w) { QTest::mouseClick(w->findChild<QPushButton *>(u"cmdOK"_s), Qt::LeftButton); },
            [](FrmAbout *w) { QTest::keyClick(w, Qt::Key_Escape); },
        };
        for (const auto &close : ways) {
            b->w->MnuAbout_Click();
            QPointer<FrmAbout> about = b->w->loadedFrmAbout();
            QVERIFY(about && QTest::qWaitForWindowExposed(about));
            QCOMPARE(about->windowTitle(), QStringLiteral("About " BELLTIDE_TITLE));
            QCOMPARE(about->findChild<QLabel *>(u"lblTitle"_s)->text(), QStringLiteral(BELLTIDE_TITLE));
            QCOMPARE(about->findChild<QLabel *>(u"lblVersion"_s)->text(), QStringLiteral("Version " BELLTIDE_VERSION));
            QVERIFY(!about->isModal() && b->w->isEnabled());
            close(about);
            QCOMPARE(b->w->loadedFrmAbout(), nullptr);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(about.isNull());
        }
        QVERIFY(b->w->isVisible());
        QCOMPARE(b->p.process.ends, 0);
    }

    // How To... hands the help file to the viewer, which opens at the keyword
    // index or at a keyword's topic, and names a missing file.
    void howToOpensTheViewer() {
        b->w->MnuHow_Click();
        b->w->MnuHow_Click();
        const QString file = b->p.appDir.filePath(u"HELP FOR BELLTIDE.HLP"_s);
        QCOMPARE(b->p.help.calls, QStringList(2, file + u"||257"_s));
        QVERIFY(b->p.messageBox.shown.isEmpty());

        HelpViewer viewer;
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QVERIFY(viewer.open(QStringLiteral(BELLTIDE_HELP_FILE), HelpViewer::HelpKey, QString()));
        QCOMPARE(viewer.focusWidget(), viewer.indexList());
        QVERIFY(viewer.indexList()->count() > 10);
        // Its text in the desktop's proportional face, not a monospace one standing in for a missing font.
        const QFontInfo face(viewer.browser()->font());
        QVERIFY2(!face.fixedPitch(), qPrintable(face.family()));
        for (const HelpKeyword &k : viewer.keywordIndex())
            QVERIFY2(viewer.anchorNames().contains(k.anchor), qPrintable(k.text));
        QVERIFY(viewer.open(QStringLiteral(BELLTIDE_HELP_FILE), HelpViewer::HelpKey, u"has pass"_s));
        QCOMPARE(viewer.browser()->source().fragment(), u"alarm-goes-off"_s);
        QVERIFY(!viewer.open(file, HelpViewer::HelpKey, QString()));
        QVERIFY(viewer.browser()->toPlainText().contains(file));
    }

    // The shop's helper, played by a script that logs what it is told: one
    // helper for every click, and a new one once it has gone.
    void theShopHasOneHelperAtATime() {
        const QString helper = b->p.appDir.filePath(u"web.sh"_s), log = helper + u".log"_s;
        FakePlatform::write(helper, "#!/bin/sh\necho \"$$ start\" >> \"$1\"\n"
                                    "while read -r l; do echo \"$$ $l\" >> \"$1\"; done\necho \"$$ eof\" >> \"$1\"\n");
        QVERIFY(QFile::setPermissions(helper, QFile::ReadOwner | QFile::ExeOwner));
        const QString nav = u" navigate "_s + QString::fromLatin1(Shop::address.toEncoded());
        ProcessShopWindow shop(helper, {log});
        QVERIFY(!QFile::exists(log)); // nothing runs before the first click
        openShop(shop);
        openShop(shop);
        const qint64 first = shop.helperProcessId();
        const QString f = QString::number(first);
        const QStringList told{f + " start", f + " show", f + nav, f + " show", f + nav};
        QTRY_COMPARE_WITH_TIMEOUT(lines(log), told, 10000);
        ::kill(pid_t(first), SIGKILL); // it crashed, or the user closed it
        QTRY_COMPARE_WITH_TIMEOUT(shop.helperProcessId(), 0, 10000);
        openShop(shop);
        QVERIFY(shop.helperProcessId() > 0 && shop.helperProcessId() != first);
        QTRY_COMPARE_WITH_TIMEOUT(lines(log).size(), 8, 10000);
    }
};

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
