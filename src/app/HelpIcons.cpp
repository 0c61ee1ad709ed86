#include "HelpIcons.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void paintPage(QPainter &p)
{
    QPainterPath sheet;
    sheet.moveTo(3.5, 1.5);
    sheet.lineTo(10.5, 1.5);
    sheet.lineTo(13.5, 4.5);
    sheet.lineTo(13.5, 14.5);
    sheet.lineTo(3.5, 14.5);
    sheet.closeSubpath();
    p.setPen(QColor(90, 90, 90));
    p.setBrush(Qt::white);
    p.drawPath(sheet);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
    p.setPen(QColor(0, 110, 0));
    for (int y = 6; y <= 12; y += 2)
        p.drawLine(QPointF(5.5, y + 0.5), QPointF(y == 12 ? 9.5 : 11.5, y + 0.5));
}

void paintFolder(QPainter &p, bool open)
{
    const QColor edge(150, 110, 20);
    p.setPen(edge);
    p.setBrush(QColor(230, 190, 80));
    // Back with its tab.
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6.5, 3.5);
    back.lineTo(7.5, 4.5);
    back.lineTo(14.5, 4.5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    p.setBrush(QColor(250, 215, 110));
    if (open) {
        // The front flap tilted towards the viewer, a sheet showing inside.
        p.save();
        p.setBrush(Qt::white);
        p.setPen(QColor(120, 120, 120));
        p.drawRect(QRectF(3.5, 5.5, 9, 5));
        p.restore();
        QPolygonF flap;
        flap << QPointF(3.5, 7.5) << QPointF(15.5, 7.5) << QPointF(13.5, 13.5) << QPointF(1.5, 13.5);
        p.drawPolygon(flap);
    } else {
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

} // namespace

QPixmap HelpIcons::icon(int index)
{
    if (index < 0 || index >= Count)
        return {};
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    if (index == Page)
        paintPage(p);
    else
        paintFolder(p, index == OpenFolder);
    return pixmap;
}
