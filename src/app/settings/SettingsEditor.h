#pragma once

#include <QString>

class BoolSettings;
class Prompts;

// The rules of the settings dialog, without the dialog: which check box
// stands for which key, when the dialog counts as changed, how it saves and
// when it may close. The dialog forwards its clicks and buttons here.
class SettingsEditor
{
public:
    enum Box { AutoUpdate, RememberSearch, RememberPlaylist };
    static constexpr int BoxCount = 3;

    // The check boxes' states, indexed by Box.
    struct Values
    {
        bool checked[BoxCount] = {true, true, true};
    };

    static const QString SaveWarning;
    static const QString CloseQuestion;

    SettingsEditor(BoolSettings &settings, Prompts &prompts);

    // Each key as stored, default true.
    Values stored() const;

    // A check box now shows `checked`: the dialog counts as changed when that
    // differs from the stored value. Clicking back does not undo it.
    void boxChanged(Box box, bool checked);
    bool changed() const { return m_changed; }

    // The warning when automatic updates are off (on every save), then the
    // three keys in order. Raises IniWriteError at the first failed write and
    // skips the rest.
    void save(const Values &values);

    // OK: save and clear the changed flag. A failed write is shown as an
    // error and returns false: the dialog stays open.
    bool accept(const Values &values);
    // Zrušit: nothing is written.
    void cancel() { m_changed = false; }
    // Title-bar close: when changed, ask whether to save. Returns whether the
    // dialog may close (false only when the asked-for save failed).
    bool closeQuery(const Values &values);

private:
    bool trySave(const Values &values);

    BoolSettings &m_settings;
    Prompts &m_prompts;
    bool m_changed = false;
};
