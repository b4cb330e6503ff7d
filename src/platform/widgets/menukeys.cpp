#include "menukeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QProxyStyle>
#include <QShortcut>

namespace {

class AltKeyStyle final : public QProxyStyle
{
public:
    using QProxyStyle::QProxyStyle;
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == SH_MenuBar_AltKeyNavigation)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void enableMenuKeyboardAccess(QMenuBar *menuBar)
{
    auto *style = new AltKeyStyle(QApplication::style()->name());
    style->setParent(menuBar);
    menuBar->setStyle(style);

    auto *f10 = new QShortcut(QKeySequence(Qt::Key_F10), menuBar->window());
    QObject::connect(f10, &QShortcut::activated, menuBar, [menuBar] {
        const QList<QAction *> actions = menuBar->actions();
        if (actions.isEmpty())
            return;
        if (actions.constFirst()->menu()) {
            menuBar->setActiveAction(actions.constFirst());
            return;
        }
        // A command placed in the bar itself opens no menu to take the keys:
        // the bar takes them, its first command highlighted, as after Alt.
        // (A key event of Alt itself reports the Alt modifier on its own.)
        QKeyEvent altPressed(QEvent::ShortcutOverride, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(menuBar->window(), &altPressed);
        QKeyEvent altReleased(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QCoreApplication::sendEvent(menuBar, &altReleased);
    });
}
