#pragma once

#include <QString>

class QAction;
class QMenu;

// Menu captions as the user sees them, and their mnemonics.
namespace MenuCaptions {

// The caption as the menu shows it: a mnemonic's "&" is not shown, "&&"
// shows one "&".
QString shown(const QAction *a);
// The mnemonic letter, lower case; empty without one.
QString mnemonicOf(const QAction *a);
// The menu's items (separators as "-"), as shown.
QStringList items(const QMenu *menu, bool visibleOnly = false);
// Items of the menu (and of its submenus, each on its own) without a
// mnemonic, or sharing one with another item of the same menu.
QStringList mnemonicFaults(const QMenu *menu);

} // namespace MenuCaptions
