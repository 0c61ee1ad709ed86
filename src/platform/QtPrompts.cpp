#include "QtPrompts.h"

#include "FileDialogOptions.h"
#include "ProgramConstants.h"

#include <QDebug>
#include <QFileDialog>
#include <QApplication>
#include <QMessageBox>

const QString QtPrompts::ErrorCaption = QStringLiteral("Chyba");

namespace {

QString captionOr(const QString &caption)
{
    return caption.isEmpty() ? QString::fromLatin1(ProgramConstants::ApplicationTitle) : caption;
}

// A box belongs to the window the user is looking at: while a modal window
// runs (the start-up window, with the main window still off the screen), the
// box centres on it instead of on a parent nobody sees.
QWidget *ownerFor(QWidget *parent)
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return parent;
}

// Every box is also written to the standard error, so what a user was told
// can be read back from a terminal or the session log.
void logBox(const QString &caption, const QString &text)
{
    qWarning().noquote() << caption + QStringLiteral(": ") + text;
}

} // namespace

QtPrompts::QtPrompts(QWidget *parent) : m_parent(parent) {}

void QtPrompts::message(const QString &text, const QString &caption)
{
    logBox(captionOr(caption), text);
    QMessageBox::information(ownerFor(m_parent), captionOr(caption), text, QMessageBox::Ok);
}

void QtPrompts::error(const QString &text)
{
    logBox(ErrorCaption, text);
    QMessageBox::critical(ownerFor(m_parent), ErrorCaption, text, QMessageBox::Ok);
}

bool QtPrompts::confirm(const QString &text, const QString &caption)
{
    logBox(captionOr(caption), text);
    return QMessageBox::question(ownerFor(m_parent), captionOr(caption), text, QMessageBox::Yes | QMessageBox::No,
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
