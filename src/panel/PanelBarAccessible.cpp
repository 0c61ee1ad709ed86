#include "PanelBarAccessible.h"

#include "PanelBar.h"

#include <QAccessible>

#include <cmath>

PanelBarAccessible::PanelBarAccessible(PanelBar *bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

void PanelBarAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory([](const QString &, QObject *object) -> QAccessibleInterface * {
            if (auto *bar = qobject_cast<PanelBar *>(object))
                return new PanelBarAccessible(bar);
            return nullptr;
        });
        return true;
    }();
    (void)installed;
}

void *PanelBarAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::ValueInterface)
        return static_cast<QAccessibleValueInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PanelBarAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return QString::number(currentValue().toInt()) + QStringLiteral(" %");
    return QAccessibleWidget::text(t);
}

QVariant PanelBarAccessible::currentValue() const
{
    const int full = static_cast<PanelBar *>(widget())->fullWidth();
    if (full <= 0)
        return 0;
    return int(std::lround(100.0 * widget()->width() / full));
}
