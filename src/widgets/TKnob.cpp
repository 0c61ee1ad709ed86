#include "TKnob.h"

#include "KnobMath.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

TKnob::TKnob(QWidget *parent)
    : QWidget(parent), m_lineColor(palette().color(QPalette::Active, QPalette::Highlight))
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(40, 40);
}

void TKnob::setMin(int min)
{
    m_model.setMin(min);
    valuesSet();
}

void TKnob::setMax(int max)
{
    m_model.setMax(max);
    valuesSet();
}

void TKnob::setPosition(int position)
{
    setValue(position);
}

void TKnob::setValue(qint64 value)
{
    m_model.setPosition(value);
    valuesSet();
}

void TKnob::valuesSet()
{
    update();
    showOnLabel(m_model.Position());
    emit OnChange();
}

void TKnob::setPageSize(quint16 size)
{
    m_model.setPageSize(size);
}

void TKnob::setLineColor(const QColor &color)
{
    if (color == m_lineColor || color == palette().color(QPalette::Button))
        return;
    m_lineColor = color;
    update();
}

void TKnob::setSpringLoaded(bool on)
{
    m_springLoaded = on;
    if (on)
        setValue(0);
}

QLabel *TKnob::PositionLabel() const
{
    return m_label.data();
}

void TKnob::setPositionLabel(QLabel *label)
{
    m_label = label;
    if (m_label) {
        m_label->setEnabled(isEnabled());
        showOnLabel(m_model.Position());
    }
}

void TKnob::setCaption(const QString &caption)
{
    m_caption = caption;
    showOnLabel(m_model.Position());
}

void TKnob::showOnLabel(qint64 value)
{
    if (m_label)
        m_label->setText(QString::asprintf("%lld ", static_cast<long long>(value)) + m_caption);
}

void TKnob::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_side = KnobMath::squareSide(m_side, width(), height());
    m_radius = m_side / 2;
    if (size() != QSize(m_side, m_side))
        resize(m_side, m_side);
}

void TKnob::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    m_mouseAngle = KnobMath::mouseAngle(p.x(), p.y(), width(), height());
    const qint64 value = m_model.valueAtAngle(m_mouseAngle);
    if (m_dragging && value != m_model.Position())
        setValue(value);
    showOnLabel(value);
    QWidget::mouseMoveEvent(event);
}

void TKnob::mousePressEvent(QMouseEvent *event)
{
    const QPoint p = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !KnobMath::insideCircle(p, size())) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    // The press point is where the pointer last moved to; taking it here
    // also covers a press that no move preceded.
    m_mouseAngle = KnobMath::mouseAngle(p.x(), p.y(), width(), height());
    setValue(m_model.valueAtAngle(m_mouseAngle));
}

void TKnob::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    if (m_springLoaded) {
        setValue(0);
    } else {
        const qint64 value = m_model.valueAtAngle(m_mouseAngle);
        if (value != m_model.Position())
            setValue(value);
    }
}

void TKnob::leaveEvent(QEvent *event)
{
    showOnLabel(m_model.Position());
    QWidget::leaveEvent(event);
}

void TKnob::keyPressEvent(QKeyEvent *event)
{
    using Key = KnobModel::Key;
    Key key;
    switch (event->key()) {
    case Qt::Key_PageUp: key = Key::PageUp; break;
    case Qt::Key_PageDown: key = Key::PageDown; break;
    case Qt::Key_End: key = Key::End; break;
    case Qt::Key_Home: key = Key::Home; break;
    case Qt::Key_Left:
    case Qt::Key_Down: key = Key::Decrease; break;
    case Qt::Key_Right:
    case Qt::Key_Up: key = Key::Increase; break;
    default: QWidget::keyPressEvent(event); return;
    }
    m_model.applyKey(key);
    valuesSet();
    event->accept();
}

void TKnob::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void TKnob::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    m_dragging = false;
    if (m_springLoaded)
        setValue(0);
    update();
}

void TKnob::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_label)
        m_label->setVisible(true);
}

void TKnob::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_label)
        m_label->setVisible(false);
}

void TKnob::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange && m_label)
        m_label->setEnabled(isEnabled());
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::PaletteChange)
        update();
    QWidget::changeEvent(event);
}

void TKnob::paintEvent(QPaintEvent *)
{
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const int w = width();
    const int h = height();

    QPainter p(this);
    p.fillRect(rect(), pal.window());

    // Face with a highlight on the upper-left half and a shadow on the
    // lower-right half, so the knob looks raised.
    p.setPen(face);
    p.setBrush(face);
    p.drawEllipse(QRect(2, 2, w - 5, h - 5));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(light, 2));
    p.drawArc(QRect(4, 4, w - 7, h - 7), 45 * 16, 180 * 16);
    p.setPen(QPen(shadow, 2));
    p.drawArc(QRect(3, 3, w - 7, h - 7), 225 * 16, 180 * 16);

    // Outline; its upper-left half marks the focus.
    const QRect outline(0, 0, w - 1, h - 1);
    p.setPen(QPen(isEnabled() ? QColor(Qt::black) : shadow, 1));
    p.drawEllipse(outline);
    p.setPen(QPen(hasFocus() ? QColor(Qt::black) : shadow, 1));
    p.drawArc(outline, 45 * 16, 180 * 16);

    const QLine line = KnobMath::pointerLine(m_radius, m_model.IndicatorAngle());
    p.setPen(QPen(light, 1));
    p.drawLine(line.translated(1, 1));
    p.setPen(QPen(m_lineColor, 1));
    p.drawLine(line);
}
