#include "nomaximize.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace {

class MaximizeRefusal final : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowStateChange) {
            auto *window = static_cast<QWidget *>(watched);
            // Undone once the change has been delivered everywhere.
            if (window->windowState() & Qt::WindowMaximized)
                QTimer::singleShot(0, window, [window] {
                    window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
                });
        }
        return false;
    }
};

} // namespace

void refuseMaximize(QWidget *window)
{
    window->installEventFilter(new MaximizeRefusal(window));
}
