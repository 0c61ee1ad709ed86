#pragma once

#include <QAccessibleWidget>

class TLEDCustomLabel;

// An LED label to assistive technology: static text whose value is the
// caption it shows (the scrolling title, the time display).
class TLEDLabelAccessible : public QAccessibleWidget
{
public:
    explicit TLEDLabelAccessible(TLEDCustomLabel *label);

    QString text(QAccessible::Text t) const override;
};
