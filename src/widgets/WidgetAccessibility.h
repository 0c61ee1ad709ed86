#pragma once

// Accessible interfaces for the custom-painted controls, so a screen reader
// hears what they show: the knob as a dial with its value, each LED label as
// static text carrying its caption. install() registers them once.
namespace WidgetAccessibility {

void install();

} // namespace WidgetAccessibility
