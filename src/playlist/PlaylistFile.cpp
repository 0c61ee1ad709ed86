#include "PlaylistFile.h"

#include "FileDialogOptions.h"
#include "PlaylistFileError.h"
#include "PlaylistFormat.h"
#include "PlaylistModel.h"
#include "Prompts.h"
#include "ShiftHex.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString invalidPlaylistText(const QString &path)
{
    return QStringLiteral("Soubor ") + path + QStringLiteral(" není platným playlistem aplikace Sonaro Klient.");
}

[[noreturn]] void fail(const char *what, const QString &path, const QString &reason)
{
    throw PlaylistFileError(std::string(what) + " " + path.toStdString() + ": " + reason.toStdString());
}

// The first line, read in blocks so a file without line breaks is not read
// past the cap. Returns false when the line is longer than the cap.
bool readFirstLine(const QString &path, QByteArray &line)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("Cannot open file", path, file.errorString());
    line.clear();
    line.reserve(qMin(file.size(), PlaylistFile::MaxLineBytes + 1));
    constexpr qint64 Block = 64 * 1024;
    while (true) {
        const QByteArray block = file.read(Block);
        if (block.isEmpty()) {
            if (file.error() != QFileDevice::NoError)
                fail("Cannot read file", path, file.errorString());
            return true;
        }
        const QByteArrayView head = PlaylistFormat::firstLine(block);
        line.append(head);
        if (line.size() > PlaylistFile::MaxLineBytes)
            return false;
        if (head.size() < block.size())
            return true;
    }
}

} // namespace

PlaylistFile::PlaylistFile(PlaylistModel &model, Prompts &prompts, FileDialogOptions &openDialog,
                           FileDialogOptions &saveDialog)
    : m_model(model), m_prompts(prompts), m_openDialog(openDialog), m_saveDialog(saveDialog)
{
}

QString PlaylistFile::captionFor(const QString &path)
{
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString PlaylistFile::withPlaylistExtension(const QString &path)
{
    const qsizetype nameStart = path.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot >= nameStart ? path.left(dot) : path;
    return stem + QStringLiteral(".kpl");
}

void PlaylistFile::savePlayList(const QString &path)
{
    m_model.setPlaylistPath(path);
    const QByteArray plain = PlaylistFormat::plainText(m_model.entries());
    // Written beside the target and renamed over it, so a failed write
    // leaves the previous file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        fail("Cannot create file", path, file.errorString());
    // The scrambling goes byte by byte, so it can go block by block: no
    // buffer of the whole digit line is ever needed.
    constexpr qsizetype Block = 32 * 1024;
    for (qsizetype at = 0; at < plain.size(); at += Block) {
        const QByteArray digits =
            EncodeShiftHex(QByteArrayView(plain).sliced(at, qMin(Block, plain.size() - at)), PlaylistFormat::PlaylistKey);
        if (file.write(digits) != digits.size())
            fail("Cannot write file", path, file.errorString());
    }
    if (file.write("\r\n", 2) != 2 || !file.commit())
        fail("Cannot write file", path, file.errorString());
}

void PlaylistFile::loadPlayList(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists() || info.isDir()) {
        m_prompts.message(QStringLiteral("Soubor ") + path + QStringLiteral(" neexistuje."));
        return;
    }
    QByteArray line;
    if (!readFirstLine(path, line)) {
        m_prompts.message(invalidPlaylistText(path));
        return;
    }
    PlaylistFormat::Parsed parsed = PlaylistFormat::parse(line);
    switch (parsed.outcome) {
    case PlaylistFormat::Outcome::NotDecoded:
        m_prompts.message(invalidPlaylistText(path));
        return;
    case PlaylistFormat::Outcome::WrongRoot:
        m_model.clear();
        // The view is empty now; naming the previous file still would let
        // the next plain save overwrite it with nothing.
        m_model.setPlaylistPath(PlaylistModel::NoPlaylistPath);
        m_model.setCaption(PlaylistModel::DefaultCaption);
        m_prompts.message(invalidPlaylistText(path));
        return;
    case PlaylistFormat::Outcome::Loaded:
        m_model.setEntries(std::move(parsed.entries));
        m_model.setCaption(captionFor(path));
        m_model.setPlaylistPath(path);
        return;
    }
}

template <typename F>
void PlaylistFile::reporting(F &&action)
{
    try {
        action();
    } catch (const PlaylistFileError &e) {
        m_prompts.error(QString::fromUtf8(e.what()));
    }
}

void PlaylistFile::open()
{
    if (!m_prompts.openFileName(m_openDialog))
        return;
    const QString path = m_openDialog.fileName;
    reporting([&] { loadPlayList(path); });
}

void PlaylistFile::save()
{
    const QString path = m_model.playlistPath();
    if (path == PlaylistModel::NoPlaylistPath) {
        saveAs();
        return;
    }
    reporting([&] { savePlayList(path); });
}

void PlaylistFile::saveAs()
{
    if (!m_prompts.saveFileName(m_saveDialog))
        return;
    const QString chosen = m_saveDialog.fileName;
    const QString target = withPlaylistExtension(chosen);
    if (QFileInfo::exists(target)
        && !m_prompts.confirm(QStringLiteral("Soubor se stejným názvem již existuje. Přepsat?")))
        return;
    reporting([&] {
        savePlayList(target);
        m_model.setCaption(captionFor(chosen));
    });
}

void PlaylistFile::reopen(const QString &path)
{
    reporting([&] { loadPlayList(path); });
}
