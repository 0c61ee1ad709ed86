#pragma once

#include <QAccessibleWidget>

class PanelBar;

// A part of the progress bar to assistive technology: a progress bar whose
// value is its share of the whole bar in percent (fetched or played).
class PanelBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit PanelBarAccessible(PanelBar *bar);

    // Registers the interface for every PanelBar, once.
    static void install();

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 1; }
};
