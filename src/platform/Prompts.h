#pragma once

#include <QString>

struct FileDialogOptions;

// Every message box, question and file dialog of the program goes through
// this interface, so flows can be tested with a recorder instead of a screen.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // An information box with an OK button. An empty caption means the
    // application title.
    virtual void message(const QString &text, const QString &caption = QString()) = 0;
    // An error box with the caption "Chyba" and an OK button.
    virtual void error(const QString &text) = 0;
    // A question with Yes and No; only Yes returns true.
    virtual bool confirm(const QString &text, const QString &caption = QString()) = 0;
    // Run an open or save dialog; on a choice, store the chosen file name in
    // options.fileName and return true. Cancel returns false and changes nothing.
    virtual bool openFileName(FileDialogOptions &options) = 0;
    virtual bool saveFileName(FileDialogOptions &options) = 0;
};
