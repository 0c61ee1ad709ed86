// Without a session bus the window starts and plays as it does when it is
// not asked to offer itself to the desktop at all: no box, no warning.
#include "FlowHarness.h"
#include "MainEnvironment.h"
#include "PromptRecorder.h"
#include "TFormMain.h"
#include "TStreamPlayer.h"

#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList warnings;

void keepWarning(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg)
        warnings << text;
}

QStringList startOnce(bool desktopPlayer, bool *engine)
{
    QTemporaryDir dir;
    PromptRecorder prompts;
    MainEnvironment environment{dir.filePath("k.ini"), dir.filePath("keys"), &prompts, "http://127.0.0.1:1/",
                                QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR")), 0};
    environment.desktopPlayer = desktopPlayer;
    TFormMain form(environment);
    form.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The start-up check fails against the closed port and says so.
    EXPECT_TRUE(WaitUntil([&] { return !prompts.shown.isEmpty(); }, 10000));
    ProcessEventsFor(300);
    *engine = form.player() != nullptr;
    const QStringList shown = prompts.texts(PromptRecorder::Kind::Message) + prompts.texts(PromptRecorder::Kind::Error);
    form.close();
    ProcessEventsFor(50);
    return shown;
}

} // namespace

TEST(NoSessionBus, TheWindowStartsAsWithoutTheDesktopPlayer)
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    QTemporaryDir dir;
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir.filePath("no-bus-here").toLocal8Bit());

    bool engineWithout = false;
    const QStringList without = startOnce(false, &engineWithout);
    ASSERT_TRUE(engineWithout);

    qInstallMessageHandler(keepWarning);
    bool engineWith = false;
    const QStringList with = startOnce(true, &engineWith);
    qInstallMessageHandler(nullptr);
    EXPECT_TRUE(engineWith);
    EXPECT_EQ(with, without);
    EXPECT_TRUE(warnings.filter(QStringLiteral("bus"), Qt::CaseInsensitive).isEmpty()) << warnings.join("\n").toStdString();
}
