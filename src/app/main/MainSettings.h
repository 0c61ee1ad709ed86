#pragma once

#include <QString>

#include <optional>

class IniFile;

// The main window's use of the settings file: what it reads at creation and
// what it writes at close, in that order. Writes raise IniWriteError.
class MainSettings
{
public:
    explicit MainSettings(IniFile &ini);

    // The start-up steps below go on when a write fails (the values read are
    // still good); the first failure's message is kept here for reporting.
    std::optional<QString> takeWriteFailure();

    // A Boolean key that is absent (read as text, it gives "nevim") is
    // written as "1"; a present key keeps its value, whatever it is.
    void ensureBooleanPresent(const QString &section, const QString &key);

    // Hlavni/AAPouzivat.
    void ensureUpdateOfferKey();
    // Hlavni/PomatovatFind; when true, Hlavni/PosledniFind (may be empty).
    std::optional<QString> searchToRepeat();
    // Playlisty/Pomatovat; when true and Playlisty/Posledni is not exactly
    // "no", that path (an empty one included).
    std::optional<QString> playlistToReopen();

    struct DialogFolders
    {
        QString playlistSave; // Cesty/PLS
        QString playlistOpen; // Cesty/PLO
        QString mp3Save;      // Cesty/MP3D
    };
    DialogFolders dialogFolders() const;

    struct CloseValues
    {
        int top = 0;
        int left = 0;
        int volume = 255;
        QString playlistPath = QStringLiteral("no");
        QString searchText;
        DialogFolders folders;
    };
    // Okno/Top, Okno/Left, Okno/Volume, Playlisty/Posledni, Hlavni/PosledniFind,
    // Cesty/PLS, Cesty/PLO, Cesty/MP3D, in this order; stops at the first
    // failed write.
    void writeAtClose(const CloseValues &values);

private:
    void ensureBooleanPresentOrNote(const QString &section, const QString &key);

    IniFile &m_ini;
    std::optional<QString> m_writeFailure;
};
