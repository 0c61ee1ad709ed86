#pragma once

#include <QString>

class PlaylistModel;
class Prompts;
struct FileDialogOptions;

// Saving and loading the playlist view as a .kpl file, and the open, save
// and save-as commands with their dialogs and messages.
class PlaylistFile
{
public:
    // A longer first line is not taken for a playlist (about 200,000 rows
    // fit), so a stray huge file cannot exhaust memory.
    static constexpr qint64 MaxLineBytes = qint64(64) << 20;

    PlaylistFile(PlaylistModel &model, Prompts &prompts, FileDialogOptions &openDialog,
                 FileDialogOptions &saveDialog);

    // SavePlayList: PlaylistPath := path first, then the file is written
    // whole or not at all. Raises PlaylistFileError when it cannot be.
    void savePlayList(const QString &path);
    // LoadPlayList: replaces the rows with the file's, or reports why not.
    // Raises PlaylistFileError when an existing file cannot be read.
    void loadPlayList(const QString &path);

    // The commands. Each reports a PlaylistFileError through an error box.
    void open();
    void save();
    void saveAs();
    void reopen(const QString &path);

    // The file's name without folder and extension: the column-0 caption.
    static QString captionFor(const QString &path);
    // The name with its extension (of the last path component) replaced by
    // ".kpl", or ".kpl" added when it has none.
    static QString withPlaylistExtension(const QString &path);

private:
    template <typename F>
    void reporting(F &&action);

    PlaylistModel &m_model;
    Prompts &m_prompts;
    FileDialogOptions &m_openDialog;
    FileDialogOptions &m_saveDialog;
};
