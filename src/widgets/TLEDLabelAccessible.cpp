#include "TLEDLabelAccessible.h"

#include "TLEDCustomLabel.h"

TLEDLabelAccessible::TLEDLabelAccessible(TLEDCustomLabel *label) : QAccessibleWidget(label, QAccessible::StaticText) {}

QString TLEDLabelAccessible::text(QAccessible::Text t) const
{
    const QString caption = static_cast<TLEDCustomLabel *>(widget())->Caption().trimmed();
    if (t == QAccessible::Value)
        return caption;
    if (t == QAccessible::Name) {
        // The control's own name first ("Čas"), then what it shows.
        const QString name = widget()->accessibleName();
        return name.isEmpty() ? caption : name + QStringLiteral(": ") + caption;
    }
    return QAccessibleWidget::text(t);
}
