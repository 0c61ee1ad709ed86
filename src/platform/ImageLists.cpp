#include "ImageLists.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

namespace ImageLists {

namespace {

QPixmap transparent(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

} // namespace

QPixmap appIcon(int size)
{
    QPixmap pixmap = transparent(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(QPen(QColor(0, 64, 0), 1));
    p.setBrush(QColor(0, 128, 0));
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    // A note head and stem in white.
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(4, 9, 5, 4));
    p.drawRect(QRectF(8, 3, 1.5, 8));
    p.drawRect(QRectF(8, 3, 4, 1.5));
    return pixmap;
}

QPixmap playerButton(int index)
{
    if (index < 0 || index >= PlayerButtonCount)
        return {};
    QPixmap pixmap = transparent(28, 28);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const bool highlighted = index % 2 == 1;
    // Round face; the highlighted pictures carry an orange glow.
    if (highlighted) {
        QRadialGradient glow(14, 14, 14);
        glow.setColorAt(0.6, QColor(255, 160, 0, 220));
        glow.setColorAt(1.0, QColor(255, 160, 0, 0));
        p.setPen(Qt::NoPen);
        p.setBrush(glow);
        p.drawEllipse(QRectF(0, 0, 28, 28));
    }
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(225, 225, 225));
    p.drawEllipse(QRectF(3.5, 3.5, 21, 21));
    p.setPen(Qt::NoPen);
    p.setBrush(highlighted ? QColor(200, 90, 0) : QColor(0, 96, 0));
    switch (index / 2) {
    case 0: // play
        p.drawPolygon(QPolygonF({QPointF(11, 8.5), QPointF(20, 14), QPointF(11, 19.5)}));
        break;
    case 1: // pause
        p.drawRect(QRectF(9.5, 9, 3.5, 10));
        p.drawRect(QRectF(15, 9, 3.5, 10));
        break;
    default: // stop
        p.drawRect(QRectF(9.5, 9.5, 9, 9));
        break;
    }
    return pixmap;
}

QPixmap listStat(int index)
{
    if (index < 0 || index >= ListStatCount)
        return {};
    QPixmap pixmap = transparent(9, 9);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    switch (index) {
    case 0: // descending: pointing down
        p.setBrush(QColor(64, 64, 64));
        p.drawPolygon(QPolygonF({QPointF(1, 2.5), QPointF(8, 2.5), QPointF(4.5, 7)}));
        break;
    case 1: // ascending: pointing up
        p.setBrush(QColor(64, 64, 64));
        p.drawPolygon(QPolygonF({QPointF(1, 7), QPointF(8, 7), QPointF(4.5, 2.5)}));
        break;
    default: // now playing: a green play mark
        p.setBrush(QColor(0, 150, 0));
        p.drawPolygon(QPolygonF({QPointF(1.5, 0.5), QPointF(8.5, 4.5), QPointF(1.5, 8.5)}));
        break;
    }
    return pixmap;
}

} // namespace ImageLists
