#pragma once

#include <QAccessibleWidget>

class TKnob;

// The knob to assistive technology: a dial whose value is its position.
class TKnobAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit TKnobAccessible(TKnob *knob);

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    TKnob *knob() const;
};
