#include "PanelBar.h"

#include <QMouseEvent>
#include <QPainter>

PanelBar::PanelBar(const QColor &fill, const QColor &outline, QWidget *parent)
    : QWidget(parent), m_fill(fill), m_outline(outline)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PanelBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_fill);
    if (m_outline.isValid()) {
        p.setPen(m_outline);
        p.setBrush(Qt::NoBrush);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void PanelBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit pressedAt(int(event->position().x()));
}
