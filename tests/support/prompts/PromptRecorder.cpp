#include "PromptRecorder.h"

#include "FileDialogOptions.h"

#include <QStringList>

void PromptRecorder::message(const QString &text, const QString &caption)
{
    shown.append({Kind::Message, text, caption});
}

void PromptRecorder::error(const QString &text)
{
    shown.append({Kind::Error, text, QStringLiteral("Chyba")});
}

bool PromptRecorder::confirm(const QString &text, const QString &caption)
{
    shown.append({Kind::Confirm, text, caption});
    return !answers.isEmpty() && answers.dequeue();
}

bool PromptRecorder::openFileName(FileDialogOptions &options)
{
    return pick(options, Kind::OpenFile);
}

bool PromptRecorder::saveFileName(FileDialogOptions &options)
{
    return pick(options, Kind::SaveFile);
}

bool PromptRecorder::pick(FileDialogOptions &options, Kind kind)
{
    shown.append({kind, options.title, QString()});
    if (fileNames.isEmpty())
        return false;
    const QString name = fileNames.dequeue();
    if (name.isEmpty())
        return false;
    options.fileName = name;
    return true;
}

QStringList PromptRecorder::texts(Kind kind) const
{
    QStringList out;
    for (const Entry &e : shown)
        if (e.kind == kind)
            out.append(e.text);
    return out;
}
