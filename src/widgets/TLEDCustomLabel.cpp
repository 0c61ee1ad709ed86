#include "TLEDCustomLabel.h"

#include "TLED.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>

TLEDCustomLabel::TLEDCustomLabel(QWidget *parent) : QWidget(parent), m_led(new TLED(this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_led->setBackgroundColor(m_color);
    syncLook();
    connect(m_led, &TLED::Changed, this, &TLEDCustomLabel::ledChanged);
}

TLEDCustomLabel::~TLEDCustomLabel() = default;

void TLEDCustomLabel::setCaption(const QString &caption)
{
    // Setting a caption always repaints, but only the cells that look
    // different when there are any: a clock's tick redraws one cell.
    syncLook();
    const QRegion changed = m_cells.changedCells(m_caption, caption, size());
    m_caption = caption;
    if (changed.isEmpty())
        update();
    else
        update(changed);
}

void TLEDCustomLabel::setColor(const QColor &color)
{
    m_color = color;
    m_led->setBackgroundColor(color); // emits Changed, which repaints
}

void TLEDCustomLabel::syncLook()
{
    // The cells' background is always the label's colour, whatever was set
    // on the LED object directly.
    LedCellCache::Look look = m_led->look();
    look.background = m_color;
    m_cells.setLook(look); // rebuilds only what changed
}

void TLEDCustomLabel::ledChanged()
{
    syncLook();
    update();
}

QSize TLEDCustomLabel::sizeHint() const
{
    return m_cells.cellSize();
}

void TLEDCustomLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange)
        update();
    QWidget::changeEvent(event);
}

void TLEDCustomLabel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    syncLook();
    const QRect area = event->rect();
    painter.fillRect(area, m_color);
    const bool lit = isEnabled() || !m_led->DisabledDigits();
    m_cells.paintCaption(painter, m_caption, lit, size(), area);
}
