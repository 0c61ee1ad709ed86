#include "TKnobAccessible.h"

#include "TKnob.h"

TKnobAccessible::TKnobAccessible(TKnob *knob) : QAccessibleWidget(knob, QAccessible::Dial) {}

TKnob *TKnobAccessible::knob() const
{
    return static_cast<TKnob *>(widget());
}

void *TKnobAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString TKnobAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QString::number(knob()->Position());
    return QAccessibleWidget::text(t);
}

QVariant TKnobAccessible::currentValue() const
{
    return knob()->Position();
}

void TKnobAccessible::setCurrentValue(const QVariant &value)
{
    knob()->setPosition(value.toInt());
}

QVariant TKnobAccessible::maximumValue() const
{
    return knob()->Max();
}

QVariant TKnobAccessible::minimumValue() const
{
    return knob()->Min();
}

QVariant TKnobAccessible::minimumStepSize() const
{
    return 1;
}
