#pragma once

#include "Prompts.h"

#include <QPointer>
#include <QWidget>

// Prompts shown with the toolkit's message boxes and file dialogs, modal to
// the given window.
class QtPrompts : public Prompts
{
public:
    explicit QtPrompts(QWidget *parent = nullptr);

    void message(const QString &text, const QString &caption = QString()) override;
    void error(const QString &text) override;
    bool confirm(const QString &text, const QString &caption = QString()) override;
    bool openFileName(FileDialogOptions &options) override;
    bool saveFileName(FileDialogOptions &options) override;

    static const QString ErrorCaption; // "Chyba"

private:
    bool runFileDialog(FileDialogOptions &options, bool save);

    QPointer<QWidget> m_parent;
};
