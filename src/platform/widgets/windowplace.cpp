#include "windowplace.h"

#include <QEvent>
#include <QPoint>
#include <QWidget>
#include <QWindow>

#include <optional>
#include <utility>

namespace {

class PlaceKeeper final : public QObject
{
public:
    PlaceKeeper(QWidget *window, std::function<void()> exposed)
        : QObject(window)
        , m_window(window)
        , m_exposed(std::move(exposed))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
            // Hidden by the program, not minimized: where the window itself
            // is, not its frame, whose size the toolkit may not have learnt
            // yet (GNOME's frames from mutter 44 on are drawn by a client of
            // their own).
            m_place = m_window->geometry().topLeft();
        } else if (watched == m_window && event->type() == QEvent::Show) {
            if ((!m_shownOnce || m_place) && m_window->windowHandle())
                m_window->windowHandle()->installEventFilter(this);
            m_shownOnce = true;
        } else if (watched == m_window->windowHandle() && event->type() == QEvent::Expose) {
            watched->removeEventFilter(this);
            m_exposed();
            const std::optional<QPoint> place = std::exchange(m_place, std::nullopt);
            if (place && m_window->geometry().topLeft() != *place)
                m_window->setGeometry(QRect(*place, m_window->size()));
        }
        return false;
    }

private:
    QWidget *m_window;
    std::function<void()> m_exposed;
    bool m_shownOnce = false;
    // Where the window stood when it was last hidden, until it is back there.
    std::optional<QPoint> m_place;
};

} // namespace

void keepPlace(QWidget *window, std::function<void()> exposed)
{
    window->installEventFilter(new PlaceKeeper(window, std::move(exposed)));
}
