#include "BoolSettings.h"
#include "IniWriteError.h"
#include "PromptRecorder.h"
#include "SettingsEditor.h"

#include <QMap>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Keeps the keys in memory, records every write with the number of prompts
// shown before it, and fails the write with the given 1-based number.
class RecordingSettings : public BoolSettings
{
public:
    explicit RecordingSettings(const PromptRecorder &prompts) : m_prompts(prompts) {}

    QMap<QString, bool> values;
    QStringList writes; // "Section/Key=0|1"
    QList<int> promptsBeforeWrite;
    int failAt = 0;

    bool readBool(const QString &section, const QString &key, bool defaultValue) const override
    {
        return values.value(section + '/' + key, defaultValue);
    }
    void writeBool(const QString &section, const QString &key, bool value) override
    {
        if (++m_attempts == failAt)
            throw IniWriteError("/etc/ro/sonaro-klient.ini");
        writes << QStringLiteral("%1/%2=%3").arg(section, key).arg(value ? 1 : 0);
        promptsBeforeWrite << int(m_prompts.shown.size());
        values[section + '/' + key] = value;
    }

private:
    const PromptRecorder &m_prompts;
    int m_attempts = 0;
};

SettingsEditor::Values boxes(bool autoUpdate, bool search, bool playlist)
{
    SettingsEditor::Values v;
    v.checked[SettingsEditor::AutoUpdate] = autoUpdate;
    v.checked[SettingsEditor::RememberSearch] = search;
    v.checked[SettingsEditor::RememberPlaylist] = playlist;
    return v;
}

class SettingsEditorTest : public ::testing::Test
{
protected:
    PromptRecorder prompts;
    RecordingSettings settings{prompts};
    SettingsEditor editor{settings, prompts};
};

const QStringList AllOn = {"Hlavni/AAPouzivat=1", "Hlavni/PomatovatFind=1", "Playlisty/Pomatovat=1"};

} // namespace

TEST_F(SettingsEditorTest, StoredValuesDefaultToTrueAndFollowTheFile)
{
    const auto fresh = editor.stored();
    EXPECT_TRUE(fresh.checked[0] && fresh.checked[1] && fresh.checked[2]);
    settings.values["Hlavni/PomatovatFind"] = false;
    settings.values["Playlisty/Pomatovat"] = false;
    const auto stored = editor.stored();
    EXPECT_TRUE(stored.checked[SettingsEditor::AutoUpdate]);
    EXPECT_FALSE(stored.checked[SettingsEditor::RememberSearch]);
    EXPECT_FALSE(stored.checked[SettingsEditor::RememberPlaylist]);
}

TEST_F(SettingsEditorTest, OkWritesAllThreeKeysInOrderWithoutAMessage)
{
    EXPECT_TRUE(editor.accept(boxes(true, true, true)));
    EXPECT_EQ(settings.writes, AllOn);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(SettingsEditorTest, WarningComesBeforeTheWritesOnEverySaveWithUpdatesOff)
{
    editor.boxChanged(SettingsEditor::AutoUpdate, false);
    EXPECT_TRUE(editor.accept(boxes(false, true, true)));
    ASSERT_EQ(prompts.texts(PromptRecorder::Kind::Message), QStringList{SettingsEditor::SaveWarning});
    EXPECT_EQ(settings.writes.first(), "Hlavni/AAPouzivat=0");
    EXPECT_EQ(settings.promptsBeforeWrite, (QList<int>{1, 1, 1}));
    EXPECT_FALSE(editor.changed());

    // Opened again with the key already off and saved without a change.
    SettingsEditor again(settings, prompts);
    EXPECT_FALSE(again.stored().checked[SettingsEditor::AutoUpdate]);
    EXPECT_TRUE(again.accept(again.stored()));
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Message).size(), 2);
    EXPECT_EQ(settings.writes.size(), 6); // unchanged keys are written too
}

TEST_F(SettingsEditorTest, ChangedFlagFollowsTheStoredValueNotTheClicks)
{
    editor.boxChanged(SettingsEditor::RememberSearch, true); // same as stored
    EXPECT_FALSE(editor.changed());
    editor.boxChanged(SettingsEditor::RememberSearch, false);
    editor.boxChanged(SettingsEditor::RememberSearch, true); // back again
    EXPECT_TRUE(editor.changed());

    // Compared with what the file holds at the moment of the click.
    SettingsEditor other(settings, prompts);
    settings.values["Playlisty/Pomatovat"] = false;
    other.boxChanged(SettingsEditor::RememberPlaylist, false);
    EXPECT_FALSE(other.changed());
    other.boxChanged(SettingsEditor::RememberPlaylist, true);
    EXPECT_TRUE(other.changed());
}

TEST_F(SettingsEditorTest, CloseQuestionOnlyWhenChangedAndOnlyYesSaves)
{
    EXPECT_TRUE(editor.closeQuery(boxes(true, true, true)));
    EXPECT_TRUE(prompts.shown.isEmpty());

    editor.boxChanged(SettingsEditor::RememberSearch, false);
    prompts.answers.enqueue(false);
    EXPECT_TRUE(editor.closeQuery(boxes(true, false, true)));
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Confirm), QStringList{"Chcete uložit změny?"});
    EXPECT_TRUE(settings.writes.isEmpty());

    prompts.answers.enqueue(true);
    EXPECT_TRUE(editor.closeQuery(boxes(true, false, true)));
    EXPECT_EQ(settings.writes,
              (QStringList{"Hlavni/AAPouzivat=1", "Hlavni/PomatovatFind=0", "Playlisty/Pomatovat=1"}));
}

TEST_F(SettingsEditorTest, CancelWritesNothingAndAsksNothingAfterwards)
{
    editor.boxChanged(SettingsEditor::AutoUpdate, false);
    editor.cancel();
    EXPECT_FALSE(editor.changed());
    EXPECT_TRUE(editor.closeQuery(boxes(false, true, true)));
    EXPECT_TRUE(settings.writes.isEmpty());
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(SettingsEditorTest, FailedWriteStopsTheSaveShowsTheErrorAndKeepsTheDialogOpen)
{
    settings.failAt = 2;
    editor.boxChanged(SettingsEditor::RememberSearch, false);
    EXPECT_FALSE(editor.accept(boxes(true, false, true)));
    EXPECT_EQ(settings.writes, QStringList{"Hlavni/AAPouzivat=1"}); // the third write is skipped
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].kind, PromptRecorder::Kind::Error);
    EXPECT_EQ(prompts.shown[0].text, "Unable to write to /etc/ro/sonaro-klient.ini");
    EXPECT_TRUE(editor.changed());

    // The same through the close question: Yes, the save fails, the dialog stays.
    settings.failAt = 0;
    RecordingSettings broken(prompts);
    broken.failAt = 1;
    SettingsEditor other(broken, prompts);
    other.boxChanged(SettingsEditor::AutoUpdate, false);
    prompts.answers.enqueue(true);
    EXPECT_FALSE(other.closeQuery(boxes(false, true, true)));
    EXPECT_TRUE(broken.writes.isEmpty());
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Error).size(), 2);
}
