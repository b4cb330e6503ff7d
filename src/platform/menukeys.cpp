#include "menukeys.h"

#include <QAction>
#include <QApplication>
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
        menuBar->setActiveAction(actions.constFirst());
    });
}
