#include "fakes.h"
#include "frmclock.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>

// Every caption a user can see fits whole in the room its control leaves it,
// with the fonts fontconfig really hands out. CTest runs this at the scale
// factors 1, 1.5 and 2.
class TestCaptions : public QObject
{
    Q_OBJECT
    std::unique_ptr<Program> b;

    struct Caption
    {
        QWidget *control;
        QString text;
        QRect layout; // where the control lays the text out, in its coordinates
        int flags;
    };

    // The part of `r` (in w's coordinates) that shows: inside every parent,
    // and left of any sibling stacked above it that starts inside it and
    // draws a background of its own (as CmdIn over Label3's box, or the
    // seconds box over the hours). A label without a background hides nothing.
    static QRect visiblePart(QWidget *w, QRect r) {
        for (QWidget *c = w; c->parentWidget() && !c->isWindow(); c = c->parentWidget()) {
            QWidget *parent = c->parentWidget();
            r = r.translated(c->pos()).intersected(parent->rect());
            const QObjectList &siblings = parent->children();
            for (qsizetype i = siblings.indexOf(c) + 1; i < siblings.size(); ++i) {
                auto *above = qobject_cast<QWidget *>(siblings.at(i));
                if (!above || above->isWindow() || !above->isVisibleTo(parent) || !above->geometry().intersects(r)
                    || (qobject_cast<QLabel *>(above) && !above->autoFillBackground()))
                    continue;
                if (above->x() > r.left())
                    r.setRight(above->x() - 1);
            }
            r.translate(-c->pos());
        }
        return r;
    }

    static QString widest(const QFont &font, const QStringList &texts) {
        const QFontMetricsF fm(font);
        return *std::max_element(texts.begin(), texts.end(), [&](const QString &a, const QString &b) {
            return fm.horizontalAdvance(a) < fm.horizontalAdvance(b);
        });
    }

    static QList<Caption> captionsOf(QWidget *window) {
        QList<Caption> out;
        for (QWidget *w : window->findChildren<QWidget *>()) {
            if (!w->isVisibleTo(window) || w->window() != window)
                continue;
            QStyle *style = w->style();
            if (auto *button = qobject_cast<QPushButton *>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(button);
                opt.text = button->text();
                if (button->autoDefault() || button->isDefault())
                    opt.features |= QStyleOptionButton::AutoDefaultButton;
                out.append({w, button->text(), style->subElementRect(QStyle::SE_PushButtonContents, &opt, button),
                            Qt::AlignCenter | Qt::TextShowMnemonic});
            } else if (auto *option = qobject_cast<QRadioButton *>(w)) {
                QStyleOptionButton opt;
                opt.initFrom(option);
                opt.text = option->text();
                out.append({w, option->text(), style->subElementRect(QStyle::SE_RadioButtonContents, &opt, option),
                            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic});
            } else if (auto *label = qobject_cast<QLabel *>(w)) {
                const int m = label->margin();
                out.append({w, label->text(), label->contentsRect().adjusted(m, m, -m, -m),
                            int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0)});
            } else if (auto *box = qobject_cast<QLineEdit *>(w); box && !box->isEnabled()) {
                // The clock display: its widest time.
                QStringList times;
                for (int h = 0; h < 24; ++h)
                    for (int m = 0; m < 60; ++m)
                        times << QStringLiteral("%1:%2").arg(h).arg(m, 2, 10, QLatin1Char('0'));
                const bool seconds = box->width() < 100;
                QStringList texts = seconds ? QStringList() : times;
                if (seconds)
                    for (int s = 0; s < 60; ++s)
                        texts << QStringLiteral(":%1").arg(s, 2, 10, QLatin1Char('0'));
                QStyleOptionFrame opt;
                opt.initFrom(box);
                opt.lineWidth = box->hasFrame() ? style->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, box) : 0;
                const QRect contents = style->subElementRect(QStyle::SE_LineEditContents, &opt, box)
                                           .marginsRemoved(box->textMargins())
                                           .adjusted(2, 1, -2, -1); // QLineEdit's own inner margins
                out.append({w, widest(box->font(), texts), contents, int(box->alignment())});
            }
        }
        return out;
    }

    static void checkAll(QWidget *window) {
        QVERIFY(QTest::qWaitForWindowExposed(window));
        int checked = 0;
        QStringList cut;
        for (const Caption &c : captionsOf(window)) {
            const QRect room = visiblePart(c.control, c.layout);
            if (room.isEmpty() || c.text.isEmpty())
                continue; // folded out of sight
            const QRect need = c.control->fontMetrics().boundingRect(c.layout, c.flags, c.text);
            const QString what = QStringLiteral("%1 \"%2\" in %3 (%4 pt) at scale %13: needs %5x%6 at %7,%8, has %9x%10 at %11,%12")
                                     .arg(c.control->objectName(), c.text, QFontInfo(c.control->font()).family())
                                     .arg(c.control->font().pointSizeF())
                                     .arg(need.width()).arg(need.height()).arg(need.x()).arg(need.y())
                                     .arg(room.width()).arg(room.height()).arg(room.x()).arg(room.y())
                                     .arg(window->devicePixelRatioF());
            if (!room.contains(need))
                cut << what;
            ++checked;
        }
        QVERIFY(checked > 0);
        QVERIFY2(cut.isEmpty(), qPrintable(QStringLiteral("cut off:\n  ") + cut.join(QStringLiteral("\n  "))));
    }

private slots:
    void initTestCase() {
        QApplication::setFont(FrmAlarmClock::defaultFont());
        // Measured with anything else, the figures would say nothing.
        for (const auto &[family, real] : {std::pair(FrmAlarmClock::defaultFont().family(), "Liberation Sans"),
                                           std::pair(QStringLiteral("Comic Sans MS"), "Comic Neue")})
            QVERIFY2(QFontInfo(QFont(family)).family() == QLatin1String(real),
                     qPrintable(family + QStringLiteral(" is not ") + real
                                + QStringLiteral(": scripts/install-deps.sh --test installs the fonts")));
    }
    void init() {
        b = std::make_unique<Program>();
        b->start();
        b->w->show();
    }
    void cleanup() { b.reset(); }

    void folded() { checkAll(b->w.get()); }
    void unfolded() {
        b->w->cmdRem_Click();
        checkAll(b->w.get());
    }
    void clockOnly() {
        b->w->MnuClock_Click();
        checkAll(&b->w->frmclock());
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
