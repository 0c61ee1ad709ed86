#pragma once

#include <QString>

// The per-user configuration folder of the XDG base directory rules.
namespace XdgConfig {

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
QString home();
// The program's own folder in it.
QString programFolder();

} // namespace XdgConfig
