#include "SettingsEditor.h"

#include "BoolSettings.h"
#include "IniWriteError.h"
#include "Prompts.h"

namespace {

struct KeyName
{
    const char *section;
    const char *key;
};

// In Box order, which is also the order of the writes.
constexpr KeyName Keys[SettingsEditor::BoxCount] = {
    {"Hlavni", "AAPouzivat"},
    {"Hlavni", "PomatovatFind"},
    {"Playlisty", "Pomatovat"},
};

bool readKey(const BoolSettings &settings, int box)
{
    return settings.readBool(QLatin1String(Keys[box].section), QLatin1String(Keys[box].key), true);
}

} // namespace

const QString SettingsEditor::SaveWarning = QStringLiteral(
    "Vypnutím funkce automatické aktualizece riskujete že program nebude aktuální a může po vydání "
    "nových verzí přestat být podporován.");
const QString SettingsEditor::CloseQuestion = QStringLiteral("Chcete uložit změny?");

SettingsEditor::SettingsEditor(BoolSettings &settings, Prompts &prompts) : m_settings(settings), m_prompts(prompts)
{
}

SettingsEditor::Values SettingsEditor::stored() const
{
    Values values;
    for (int box = 0; box < BoxCount; ++box)
        values.checked[box] = readKey(m_settings, box);
    return values;
}

void SettingsEditor::boxChanged(Box box, bool checked)
{
    // Compared with the file as it is now, not as it was when the dialog opened.
    if (readKey(m_settings, box) != checked)
        m_changed = true;
}

void SettingsEditor::save(const Values &values)
{
    if (!values.checked[AutoUpdate])
        m_prompts.message(SaveWarning);
    for (int box = 0; box < BoxCount; ++box)
        m_settings.writeBool(QLatin1String(Keys[box].section), QLatin1String(Keys[box].key), values.checked[box]);
}

bool SettingsEditor::trySave(const Values &values)
{
    try {
        save(values);
        return true;
    } catch (const IniWriteError &e) {
        m_prompts.error(QString::fromStdString(e.what()));
        return false;
    }
}

bool SettingsEditor::accept(const Values &values)
{
    if (!trySave(values))
        return false;
    m_changed = false;
    return true;
}

bool SettingsEditor::closeQuery(const Values &values)
{
    if (!m_changed)
        return true;
    if (!m_prompts.confirm(CloseQuestion))
        return true;
    if (!trySave(values))
        return false;
    m_changed = false;
    return true;
}
