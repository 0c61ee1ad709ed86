#include "QtPrompts.h"

#include "FileDialogOptions.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>

const QString QtPrompts::ErrorCaption = QStringLiteral("Chyba");

namespace {

QString captionOr(const QString &caption)
{
    return caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption;
}

} // namespace

QtPrompts::QtPrompts(QWidget *parent) : m_parent(parent) {}

void QtPrompts::message(const QString &text, const QString &caption)
{
    QMessageBox::information(m_parent, captionOr(caption), text, QMessageBox::Ok);
}

void QtPrompts::error(const QString &text)
{
    QMessageBox::critical(m_parent, ErrorCaption, text, QMessageBox::Ok);
}

bool QtPrompts::confirm(const QString &text, const QString &caption)
{
    return QMessageBox::question(m_parent, captionOr(caption), text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No)
        == QMessageBox::Yes;
}

bool QtPrompts::openFileName(FileDialogOptions &options)
{
    return runFileDialog(options, false);
}

bool QtPrompts::saveFileName(FileDialogOptions &options)
{
    return runFileDialog(options, true);
}

bool QtPrompts::runFileDialog(FileDialogOptions &options, bool save)
{
    QFileDialog dialog(m_parent, options.title);
    // The toolkit's own dialog, so its texts follow the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save && !options.overwritePrompt)
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QString filter = FileDialogOptions::toQtFilter(options.filter);
    if (!filter.isEmpty())
        dialog.setNameFilter(filter);
    QString suffix = options.defaultExtension;
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);

    const QString lastFolder = options.folder();
    if (!lastFolder.isEmpty())
        dialog.setDirectory(lastFolder);
    else if (!options.initialFolder.isEmpty())
        dialog.setDirectory(options.initialFolder);
    if (!options.fileName.isEmpty())
        dialog.selectFile(options.fileName.mid(options.fileName.lastIndexOf(u'/') + 1));

    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return false;
    options.fileName = chosen.first();
    return true;
}
