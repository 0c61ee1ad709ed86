#pragma once

#include <QString>

// What a desktop shell does for the program: open an address in the user's
// browser, start another program without waiting for it.
namespace ShellOpen {

// False when no handler took the address.
bool openUrl(const QString &url);
// Starts program detached with workingFolder as its current folder; false
// when it could not be started.
bool startDetached(const QString &program, const QString &workingFolder);

} // namespace ShellOpen
