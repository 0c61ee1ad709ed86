#include "MainSettings.h"

#include "IniFile.h"
#include "IniWriteError.h"

#include <utility>

namespace {

const QString Okno = QStringLiteral("Okno");
const QString Hlavni = QStringLiteral("Hlavni");
const QString Playlisty = QStringLiteral("Playlisty");
const QString Cesty = QStringLiteral("Cesty");
const QString NoPlaylist = QStringLiteral("no");

} // namespace

MainSettings::MainSettings(IniFile &ini) : m_ini(ini) {}

void MainSettings::ensureBooleanPresent(const QString &section, const QString &key)
{
    const QString sentinel = QStringLiteral("nevim");
    if (m_ini.readString(section, key, sentinel) == sentinel)
        m_ini.writeBool(section, key, true);
}

std::optional<QString> MainSettings::takeWriteFailure()
{
    return std::exchange(m_writeFailure, std::nullopt);
}

void MainSettings::ensureBooleanPresentOrNote(const QString &section, const QString &key)
{
    try {
        ensureBooleanPresent(section, key);
    } catch (const IniWriteError &e) {
        if (!m_writeFailure)
            m_writeFailure = QString::fromStdString(e.what());
    }
}

void MainSettings::ensureUpdateOfferKey()
{
    ensureBooleanPresentOrNote(Hlavni, QStringLiteral("AAPouzivat"));
}

std::optional<QString> MainSettings::searchToRepeat()
{
    ensureBooleanPresentOrNote(Hlavni, QStringLiteral("PomatovatFind"));
    if (!m_ini.readBool(Hlavni, QStringLiteral("PomatovatFind"), true))
        return std::nullopt;
    return m_ini.readString(Hlavni, QStringLiteral("PosledniFind"), QString());
}

std::optional<QString> MainSettings::playlistToReopen()
{
    ensureBooleanPresentOrNote(Playlisty, QStringLiteral("Pomatovat"));
    if (!m_ini.readBool(Playlisty, QStringLiteral("Pomatovat"), true))
        return std::nullopt;
    const QString path = m_ini.readString(Playlisty, QStringLiteral("Posledni"), NoPlaylist);
    if (path == NoPlaylist)
        return std::nullopt;
    return path;
}

MainSettings::DialogFolders MainSettings::dialogFolders() const
{
    return {m_ini.readString(Cesty, QStringLiteral("PLS"), QString()),
            m_ini.readString(Cesty, QStringLiteral("PLO"), QString()),
            m_ini.readString(Cesty, QStringLiteral("MP3D"), QString())};
}

void MainSettings::writeAtClose(const CloseValues &values)
{
    // One replacement of the file instead of eight.
    m_ini.writeStrings({{Okno, QStringLiteral("Top"), QString::number(values.top)},
                        {Okno, QStringLiteral("Left"), QString::number(values.left)},
                        {Okno, QStringLiteral("Volume"), QString::number(values.volume)},
                        {Playlisty, QStringLiteral("Posledni"), values.playlistPath},
                        {Hlavni, QStringLiteral("PosledniFind"), values.searchText},
                        {Cesty, QStringLiteral("PLS"), values.folders.playlistSave},
                        {Cesty, QStringLiteral("PLO"), values.folders.playlistOpen},
                        {Cesty, QStringLiteral("MP3D"), values.folders.mp3Save}});
}
