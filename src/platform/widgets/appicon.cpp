#include "appicon.h"

#include <QPainter>
#include <QPainterPath>

QPixmap clockFacePixmap(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing, size > 16);

    const qreal rim = qMax<qreal>(1.0, size / 12.0);
    const QRectF face = QRectF(0, 0, size, size).adjusted(rim / 2, rim / 2, -rim / 2, -rim / 2);
    QPainterPath dial;
    dial.addEllipse(face);

    // Chequered dial: eight sectors, alternately yellow and white.
    p.save();
    p.setClipPath(dial);
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 8; ++i) {
        p.setBrush(i % 2 ? QColor(Qt::white) : QColor(0xff, 0xff, 0x00));
        p.drawPie(face, i * 45 * 16, 45 * 16);
    }
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, rim));
    p.drawEllipse(face);

    const QPointF centre = face.center();
    const qreal radius = face.width() / 2;
    p.setPen(QPen(QColor(0xff, 0, 0), qMax<qreal>(1.0, size / 12.0), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre - QPointF(0, radius * 0.75)); // twelve
    p.drawLine(centre, centre + QPointF(radius * 0.55, 0)); // three
    return pixmap;
}

QIcon appIcon()
{
    static const QIcon icon = [] {
        QIcon i;
        for (int size : {16, 32, 48})
            i.addPixmap(clockFacePixmap(size));
        return i;
    }();
    return icon;
}
