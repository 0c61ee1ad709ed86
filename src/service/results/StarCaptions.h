#pragma once

#include <QString>

// The five star commands share their captions between the pop-up menu and the
// main menu's "Hodnocení" submenu.
namespace StarCaptions {

// Caption of the command that rates with `stars` (1..5) stars; empty otherwise.
QString caption(int stars);
QString submenuCaption();

} // namespace StarCaptions
