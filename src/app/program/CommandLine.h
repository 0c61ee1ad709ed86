#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's arguments, read before the application object exists, so
// --help and --version answer without a display.
//   sonaro-klient [--server URL] [playlist.kpl]
struct CommandLine
{
    // Set when the program should print output and end with exitCode.
    bool exitNow = false;
    int exitCode = 0;
    QString output;       // for the standard output (help, version)
    QString errorOutput;  // for the standard error (a bad argument)

    std::optional<QString> server; // --server, unchecked
    QString playlist;              // a .kpl to open, or empty

    static CommandLine parse(const QStringList &arguments);
};
