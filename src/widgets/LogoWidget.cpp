#include "LogoWidget.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

LogoWidget::LogoWidget(QWidget *parent) : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
}

void LogoWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = rect();
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, QColor(16, 48, 16));
    sky.setColorAt(1, QColor(0, 110, 0));
    p.fillRect(r, sky);

    // A row of equaliser bars under the name.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 220, 192, 160));
    static constexpr int heights[] = {8, 14, 22, 12, 18, 26, 16, 10, 20, 24, 12, 6, 16, 22, 14, 8};
    const qreal barWidth = r.width() / 16.0;
    for (int i = 0; i < 16; ++i)
        p.drawRect(QRectF(i * barWidth + 1, r.bottom() - heights[i], barWidth - 2, heights[i]));

    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(int(r.height() * 0.36));
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(r.adjusted(0, 0, 0, -r.height() * 0.3), Qt::AlignCenter, QStringLiteral("Sonaro"));
    font.setBold(false);
    font.setPixelSize(int(r.height() * 0.13));
    p.setFont(font);
    p.setPen(QColor(255, 200, 80));
    p.drawText(r.adjusted(0, r.height() * 0.42, 0, -r.height() * 0.18), Qt::AlignCenter,
               QStringLiteral("Klient"));
}

void LogoWidget::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}
