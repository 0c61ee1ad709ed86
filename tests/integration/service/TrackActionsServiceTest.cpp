#include "DownloadOrder.h"
#include "EngineTrackPlayer.h"
#include "FileDialogOptions.h"
#include "FlowHarness.h"
#include "MainState.h"
#include "PanelButtons.h"
#include "PanelDisplay.h"
#include "PlayerPanel.h"
#include "PlaylistModel.h"
#include "PlaylistTrackRows.h"
#include "PromptRecorder.h"
#include "ResultsModel.h"
#include "ResultsTrackRows.h"
#include "ResultsView.h"
#include "SearchFlow.h"
#include "ServiceProcess.h"
#include "StreamPlayerControl.h"
#include "TFormDown.h"
#include "THTTPGet.h"
#include "TStreamPlayer.h"
#include "TestLibrary.h"
#include "TrackActions.h"
#include "Windows1250.h"

#include <QApplication>
#include <QFile>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

namespace {

std::string ownAddress()
{
    return "127.93." + std::to_string(getpid() % 250 + 1) + ".11";
}

struct NoDisplay : PanelDisplay
{
    void showTitle(const QString &) override {}
    void showNumbers(const QString &) override {}
    void setDownloadBar(int) override {}
    void setPlayBar(int) override {}
    void showButtons(const PanelButtons &) override {}
    void enablePlaylistNavigation(bool) override {}
};

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// A result played, replayed, a failing stream and a download, against the
// service we ship and the real engine on SDL's silent driver.
TEST(TrackActionsService, PlayReplayFailedOpenAndDownloadAgainstTheRealService)
{
    qputenv("SDL_AUDIODRIVER", "dummy");
    const std::string address = ownAddress();
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    TestLibrary::makeMp3(music, "a/Jaro.mp3", {"Jaro", "Modrý Kámen", "Období", "Rock", 2, 8.0, "-b 128"});
    TestLibrary::makeMp3(music, "b/Léto.mp3", {"Léto", "Modrý Kámen", "", "Pop", 1, 8.0, "-b 128"});
    TestLibrary::makeMp3(music, "c/Zima.mp3", {"Zima", "Modrý Kámen", "Mráz", "Pop", 4, 2.0, "-b 64"});
    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, address, music, dir.path().toStdString()));
    const QByteArray base = "http://" + QByteArray::fromStdString(address) + "/";

    MainState state;
    PromptRecorder prompts;
    THTTPGet find, get;
    ResultsModel model;
    ResultsView view;
    view.setResultsModel(&model);
    view.resize(600, 300);
    view.show();
    PlaylistModel playlistModel;
    playlistModel.insertEntry(0, PlaylistEntry{"old", "1:00", "http://x/old.mp3", "p1", true});
    PlaylistTrackRows playlistRows(playlistModel);
    ResultsTrackRows resultRows(model, [&] { return view.selectedRow(); });

    QStringList engineErrors;
    TStreamPlayer::Setup setup;
    setup.LibraryFolder = QString::fromLocal8Bit(qgetenv("SONARO_BIN_DIR"));
    setup.ShowError = [&](const QString &text) { engineErrors << text; };
    setup.ShowWarning = [&](const QString &, const QString &text) { engineErrors << text; };
    TStreamPlayer player(nullptr, setup);
    ASSERT_FALSE(player.AudioLibVer().isEmpty()) << "libsonaroaudio.so not found in SONARO_BIN_DIR";
    EngineTrackPlayer enginePort(player);
    NoDisplay display;
    PlayerPanel panel(state, display);
    panel.attach(std::make_unique<StreamPlayerControl>(player));

    FileDialogOptions svd_mp3;
    svd_mp3.title = QString::fromUtf8("Uložit MP3");
    QList<QPointer<TFormDown>> windows;
    TrackActions actions({get, state, prompts, svd_mp3, resultRows, playlistRows,
                          [&](const QString &title) { panel.StartTrackDisplay(title); },
                          [&](const DownloadOrder &o) {
                              windows << TFormDown::start(prompts, o.url, o.file, o.title, o.fullTitle);
                          }});
    actions.setServiceBase(base);
    actions.setPlayer(&enginePort);
    QObject::connect(&view, &ResultsView::playRequested, [&] { actions.playSelected(); });

    SearchFlow search(find, model, state, prompts, [](const QString &) {});
    search.setServiceBase(base);
    search.search(QString::fromUtf8("Modrý"));
    ASSERT_TRUE(WaitUntil([&] { return !find.IsBusy(); }, 20000));
    ASSERT_EQ(model.count(), 3) << service->log();
    const auto rowOf = [&](const char *name) {
        for (int r = 0; r < model.count(); ++r)
            if (model.row(r).caption() == QByteArray(name))
                return r;
        return -1;
    };
    const int jaro = rowOf("Jaro"), leto = rowOf("L\xE9to"), zima = rowOf("Zima");
    ASSERT_TRUE(jaro >= 0 && leto >= 0 && zima >= 0);

    // A double-click on "Jaro" plays it.
    const auto doubleClick = [&](int row) {
        const QRect cell = view.visualRect(model.index(row, 0));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClick(jaro);
    const QString jaroId = Windows1250::decode(model.row(jaro).trackId());
    EXPECT_EQ(state.RequestedTrackId, jaroId);
    ASSERT_TRUE(WaitUntil([&] { return !get.IsBusy(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000)) << engineErrors.join('\n').toStdString();
    EXPECT_TRUE(player.StreamName().endsWith("/Jaro.mp3")) << player.StreamName().toStdString();
    EXPECT_EQ(state.LedText, QString::fromUtf8("Modrý Kámen - Jaro Období"));
    EXPECT_EQ(state.LedScrollPos, 0);
    // The engine works the bit rate out from the size and the length.
    EXPECT_NEAR(player.StreamInfo().BitRate, 128, 2);
    EXPECT_EQ(state.BitrateText, QString::number(player.StreamInfo().BitRate) + QStringLiteral(" kb/s        "));
    EXPECT_EQ(state.TotalTimeText, QStringLiteral("00:08"));
    EXPECT_EQ(state.CurrentTrackId, jaroId);
    EXPECT_FALSE(state.PlayingFromPlaylist);
    EXPECT_TRUE(model.row(jaro).nowPlaying);
    EXPECT_FALSE(playlistModel.entry(0).nowPlaying);
    EXPECT_TRUE(prompts.shown.isEmpty());

    // The same track again keeps its mark.
    doubleClick(jaro);
    ASSERT_TRUE(WaitUntil([&] { return !get.IsBusy(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000));
    EXPECT_EQ(state.PreviousTrackId, jaroId);
    EXPECT_EQ(state.CurrentTrackId, jaroId);
    EXPECT_TRUE(model.row(jaro).nowPlaying);

    // "Léto" (no album): the mark moves, the title keeps the album's space.
    doubleClick(leto);
    ASSERT_TRUE(WaitUntil([&] { return !get.IsBusy(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 10000));
    EXPECT_EQ(state.LedText, QString::fromUtf8("Modrý Kámen - Léto "));
    EXPECT_FALSE(model.row(jaro).nowPlaying);
    EXPECT_TRUE(model.row(leto).nowPlaying);
    const QString letoId = state.CurrentTrackId;
    const QString letoStream = player.StreamName();

    // "Zima"'s file is gone from the service: Open fails, "Léto" plays on untouched.
    ASSERT_TRUE(QFile::remove(dir.filePath("music/c/Zima.mp3")));
    doubleClick(zima);
    ASSERT_TRUE(WaitUntil([&] { return !get.IsBusy(); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return !engineErrors.isEmpty(); }, 20000));
    EXPECT_EQ(state.CurrentTrackId, letoId);
    EXPECT_EQ(state.PreviousTrackId, jaroId);
    EXPECT_EQ(state.LedText, QString::fromUtf8("Modrý Kámen - Léto "));
    EXPECT_TRUE(model.row(leto).nowPlaying);
    EXPECT_FALSE(model.row(zima).nowPlaying);
    EXPECT_EQ(player.StreamName(), letoStream);
    EXPECT_TRUE(WaitUntil([&] { return player.Mode() == plmPlaying; }, 5000));
    EXPECT_TRUE(prompts.shown.isEmpty()); // the engine's own box only

    // Download "Jaro" to a name picked as .wav: the file arrives as .mp3, byte for byte.
    view.selectRow(jaro);
    prompts.fileNames.enqueue(dir.filePath("got.wav"));
    actions.downloadSelected();
    ASSERT_TRUE(WaitUntil([&] { return !windows.isEmpty(); }, 20000)) << service->log();
    ASSERT_TRUE(WaitUntil([&] { return !windows[0] || windows[0]->Progress().Finished(); }, 20000));
    ASSERT_TRUE(windows[0]);
    EXPECT_EQ(windows[0]->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_EQ(windows[0]->DownloadTitle, QString::fromUtf8("Jaro - Modrý Kámen"));
    EXPECT_EQ(windows[0]->DownloadFullTitle, QString::fromUtf8("Jaro - Modrý Kámen Období"));
    const QByteArray served = readAll(dir.filePath("music/a/Jaro.mp3"));
    ASSERT_FALSE(served.isEmpty());
    EXPECT_EQ(readAll(dir.filePath("got.mp3")), served);
    EXPECT_FALSE(QFile::exists(dir.filePath("got.wav")));

    // Again to the same name: refusing the overwrite question opens no window.
    prompts.fileNames.enqueue(dir.filePath("got.mp3"));
    prompts.answers.enqueue(false);
    actions.downloadSelected();
    ASSERT_TRUE(WaitUntil([&] { return !get.IsBusy(); }, 20000));
    EXPECT_EQ(prompts.texts(PromptRecorder::Kind::Confirm),
              QStringList{QString::fromUtf8("Soubor se stejným názvem již existuje. Přepsat?")});
    EXPECT_EQ(windows.size(), 1);

    for (const QPointer<TFormDown> &w : windows)
        if (w)
            w->close();
    panel.attach(nullptr);
    ProcessEventsFor(50);
}
