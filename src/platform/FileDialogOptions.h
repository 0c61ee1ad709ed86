#pragma once

#include <QString>

// One open or save dialog of a window (svd_mp3, OD_PL, SD_PL). The object
// lives as long as its window, so the dialog remembers the last chosen file
// name, whose folder the window stores at close.
struct FileDialogOptions
{
    QString title;
    // Pairs "Description|pattern[;pattern]", joined by '|':
    // "MP3 (*.mp3)|*.mp3".
    QString filter;
    // Added to a typed name without extension, without the dot: "kpl".
    QString defaultExtension;
    // Empty leaves the folder to the platform.
    QString initialFolder;
    // The initial name before the first use, then the last chosen file name.
    QString fileName;
    // Save dialogs: whether the dialog itself asks before replacing a file.
    bool overwritePrompt = false;

    // The folder of fileName: everything before its last separator, without
    // a trailing separator ("/home/a/x.mp3" -> "/home/a"); empty for a bare
    // name such as "Playlist".
    QString folder() const;

    // The filter in the toolkit's form: "MP3 (*.mp3)", entries joined by ";;".
    static QString toQtFilter(const QString &filter);
};
