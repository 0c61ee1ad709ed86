#include "StatusMarks.h"

#include <QPainter>
#include <QPolygonF>

#include <array>

namespace {

QImage draw(int index)
{
    QImage img(StatusMarks::kSize, StatusMarks::kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    QPolygonF shape;
    switch (index) {
    case StatusMarks::SortDescending: // points down
        p.setBrush(QColor(64, 64, 64));
        shape << QPointF(0.5, 2.5) << QPointF(8.5, 2.5) << QPointF(4.5, 7.5);
        break;
    case StatusMarks::SortAscending: // points up
        p.setBrush(QColor(64, 64, 64));
        shape << QPointF(0.5, 7.5) << QPointF(8.5, 7.5) << QPointF(4.5, 2.5);
        break;
    default: // now playing: a green play triangle
        p.setBrush(QColor(0, 150, 0));
        shape << QPointF(1.5, 0.5) << QPointF(1.5, 8.5) << QPointF(8.5, 4.5);
        break;
    }
    p.drawPolygon(shape);
    return img;
}

} // namespace

const QImage &StatusMarks::image(int index)
{
    static const std::array<QImage, 3> images{draw(0), draw(1), draw(2)};
    static const QImage none;
    if (index < 0 || index >= static_cast<int>(images.size()))
        return none;
    return images[static_cast<size_t>(index)];
}

QIcon StatusMarks::icon(int index)
{
    const QImage &img = image(index);
    return img.isNull() ? QIcon() : QIcon(QPixmap::fromImage(img));
}
