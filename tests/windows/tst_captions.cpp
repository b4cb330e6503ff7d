#include "fakes.h"
#include "frmabout.h"
#include "frmclock.h"

#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

using namespace Qt::StringLiterals;

// Every caption a user can see fits whole in the room its control leaves it,
// with the fonts fontconfig really hands out. CTest runs this at the scale
// factors 1, 1.5 and 2.
class TestCaptions : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

    // The part of `r` (in w's coordinates) that shows: inside every parent,
    // and left of any sibling stacked above it that starts inside it and
    // draws a background of its own (as CmdIn over Label3's box). A label
    // without a background hides nothing.
    static QRect visiblePart(QWidget *w, QRect r) {
        for (QWidget *c = w; !c->isWindow(); c = c->parentWidget()) {
            QWidget *parent = c->parentWidget();
            r = r.translated(c->pos()).intersected(parent->rect());
            const QObjectList &siblings = parent->children();
            for (qsizetype i = siblings.indexOf(c) + 1; i < siblings.size(); ++i) {
                auto *above = qobject_cast<QWidget *>(siblings.at(i));
                if (above && !above->isWindow() && above->isVisibleTo(parent) && above->geometry().intersects(r)
                    && (!qobject_cast<QLabel *>(above) || above->autoFillBackground()) && above->x() > r.left())
                    r.setRight(above->x() - 1);
            }
            r.translate(-c->pos());
        }
        return r;
    }

    // Where the control lays its caption out, as its style draws it.
    static QRect layoutOf(QWidget *w, int *flags) {
        QStyleOptionButton opt;
        opt.initFrom(w);
        if (auto *label = qobject_cast<QLabel *>(w)) {
            *flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const int m = label->margin();
            return label->contentsRect().adjusted(m, m, -m, -m);
        }
        opt.text = static_cast<QAbstractButton *>(w)->text();
        if (qobject_cast<QRadioButton *>(w)) {
            *flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic;
            return w->style()->subElementRect(QStyle::SE_RadioButtonContents, &opt, w);
        }
        if (static_cast<QPushButton *>(w)->autoDefault())
            opt.features |= QStyleOptionButton::AutoDefaultButton;
        *flags = Qt::AlignCenter | Qt::TextShowMnemonic;
        return w->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, w);
    }

    static void checkAll(QWidget *window) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QStringList cut;
        int checked = 0;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            const QString text = w->property("text").toString();
            if (!w->isVisibleTo(window) || w->window() != window || text.isEmpty()
                || !(qobject_cast<QLabel *>(w) || qobject_cast<QPushButton *>(w) || qobject_cast<QRadioButton *>(w)))
                continue;
            int flags = 0;
            const QRect layout = layoutOf(w, &flags);
            const QRect room = visiblePart(w, layout);
            if (room.isEmpty())
                continue; // folded out of sight
            const QRect need = w->fontMetrics().boundingRect(layout, flags, text);
            if (!room.contains(need))
                QDebug(&cut.emplaceBack()) << w->objectName() << text << QFontInfo(w->font()).family()
                    << w->font().pointSizeF() << "pt, scale" << window->devicePixelRatioF() << need << "in" << room;
            ++checked;
        }
        QVERIFY(checked > 0);
        QVERIFY2(cut.isEmpty(), qPrintable(u"cut off:\n  "_s + cut.join(u"\n  "_s)));
    }

private slots:
    void initTestCase() {
        QApplication::setFont(FrmAlarmClock::defaultFont());
        // Measured with another font, the figures would say nothing.
        QVERIFY2(QFontInfo(QApplication::font()).family() == u"Liberation Sans"_s,
                 "Arial is not Liberation Sans: scripts/install-deps.sh installs fonts-liberation");
    }
    void init() {
        b = std::make_unique<Program>();
        b->start();
        b->w->show();
    }
    void cleanup() { b.reset(); }

    void everyWindow() {
        checkAll(b->w.get());
        b->w->cmdRem_Click();
        checkAll(b->w.get()); // unfolded
        b->w->MnuAbout_Click();
        checkAll(b->w->loadedFrmAbout());
        b->w->MnuClock_Click();
        checkAll(&b->w->frmclock());
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
