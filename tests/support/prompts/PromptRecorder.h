#pragma once

#include "Prompts.h"

#include <QList>
#include <QQueue>
#include <QString>

// Prompts for tests: answers questions and file dialogs from queues and
// records everything that was shown, in order.
class PromptRecorder : public Prompts
{
public:
    enum class Kind { Message, Error, Confirm, OpenFile, SaveFile };

    struct Entry
    {
        Kind kind;
        QString text;    // message text; the dialog title for file dialogs
        QString caption; // as passed ("Chyba" for errors)
    };

    // Answers to confirm(); an empty queue answers No.
    QQueue<bool> answers;
    // File names the dialogs "choose"; an empty string, or an empty queue,
    // stands for Cancel.
    QQueue<QString> fileNames;
    QList<Entry> shown;

    void message(const QString &text, const QString &caption = QString()) override;
    void error(const QString &text) override;
    bool confirm(const QString &text, const QString &caption = QString()) override;
    bool openFileName(FileDialogOptions &options) override;
    bool saveFileName(FileDialogOptions &options) override;

    // The texts of every shown entry of one kind, in order.
    QStringList texts(Kind kind) const;

private:
    bool pick(FileDialogOptions &options, Kind kind);
};
