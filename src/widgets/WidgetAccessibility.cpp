#include "WidgetAccessibility.h"

#include "TKnob.h"
#include "TKnobAccessible.h"
#include "TLEDCustomLabel.h"
#include "TLEDLabelAccessible.h"

#include <QAccessible>

namespace {

QAccessibleInterface *factory(const QString &, QObject *object)
{
    if (auto *knob = qobject_cast<TKnob *>(object))
        return new TKnobAccessible(knob);
    if (auto *label = qobject_cast<TLEDCustomLabel *>(object))
        return new TLEDLabelAccessible(label);
    return nullptr;
}

} // namespace

namespace WidgetAccessibility {

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

} // namespace WidgetAccessibility
