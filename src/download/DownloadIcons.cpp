#include "DownloadIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QPixmap>

namespace DownloadIcons {

namespace {

// A blue down arrow onto a tray: the file is on its way.
void paintDownloading(QPainter &p)
{
    QPainterPath arrow;
    arrow.moveTo(6, 1);
    arrow.lineTo(10, 1);
    arrow.lineTo(10, 7);
    arrow.lineTo(13, 7);
    arrow.lineTo(8, 12);
    arrow.lineTo(3, 7);
    arrow.lineTo(6, 7);
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1f, 0x5f, 0xa8), 1));
    p.setBrush(QColor(0x4a, 0x9a, 0xe8));
    p.drawPath(arrow);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawRect(2, 13, 12, 2);
}

// A green tick: the whole file has arrived.
void paintDone(QPainter &p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1e, 0x8c, 0x2e), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}));
}

// A red cross on a disc: the transfer failed.
void paintFailed(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc8, 0x1e, 0x1e));
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.5, 5.5), QPointF(10.5, 10.5));
    p.drawLine(QPointF(10.5, 5.5), QPointF(5.5, 10.5));
}

} // namespace

QPixmap pixmap(int index)
{
    if (index < 0 || index >= Count)
        return {};
    QPixmap picture(Size, Size);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:
        paintDownloading(p);
        break;
    case 1:
        paintDone(p);
        break;
    default:
        paintFailed(p);
        break;
    }
    return picture;
}

QIcon icon(int index)
{
    const QPixmap picture = pixmap(index);
    return picture.isNull() ? QIcon() : QIcon(picture);
}

} // namespace DownloadIcons
