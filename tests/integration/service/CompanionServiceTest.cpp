#include "FlowHarness.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "RatingFlow.h"
#include "ResultsModel.h"
#include "SearchFlow.h"
#include "ServiceProcess.h"
#include "TFinderReply.h"
#include "TFormLoader.h"
#include "THTTPGet.h"
#include "TestLibrary.h"
#include "UpdateCheck.h"
#include "UserKeyStore.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <optional>

#include <unistd.h>

namespace {

// An address of this process's own, so runs in several worktrees do not meet.
std::string ownAddress()
{
    return "127.91." + std::to_string(getpid() % 250 + 1) + ".7";
}

} // namespace

// The whole way from the start-up window through search and rating against
// the service we ship, over a folder of generated tracks.
TEST(CompanionService, StartSearchAndRateAgainstTheRealService)
{
    const std::string address = ownAddress();
    QTemporaryDir dir;
    const std::string music = dir.filePath("music").toStdString();
    TestLibrary::makeMp3(music, "a/Jaro.mp3", {"Jaro", "Modrý Kámen", "Období", "Rock", 2, 1.0, "-b 64"});
    TestLibrary::makeMp3(music, "b/Léto.mp3", {"Léto", "Šárka", "Období", "Pop", 1, 1.0, "-b 192"});
    TestLibrary::makeMp3(music, "c/Zima.mp3", {"Zima", "Šárka", "Mráz", "Pop", 4, 1.0, "-b 128"});
    std::optional<ServiceProcess> service;
    ASSERT_TRUE(startService(service, address, music, dir.path().toStdString()));
    const QByteArray base = "http://" + QByteArray::fromStdString(address) + "/";

    MainState state;
    PromptRecorder prompts;
    THTTPGet find, get, hod;
    ResultsModel model;
    QWidget main;
    auto *status = new QLabel(&main);
    main.resize(300, 200);
    main.move(-1000, -1000);
    main.show();

    // Start-up: the service hands out a client ID, later requests carry it.
    const UserKeyStore keys(dir.filePath("keys"));
    {
        TFormLoader loader({state, {&find, &get, &hod}, keys, prompts, &main, status,
                            dir.filePath("sonaro-klient.ini"), dir.path(), base});
        loader.show();
        ASSERT_TRUE(WaitUntil([&] { return loader.check().finished(); }, 20000));
    }
    ASSERT_GE(state.ClientId, 0) << service->log();
    EXPECT_EQ(status->text(), QString::fromUtf8("V naší databázi je: 3 MP3"));
    EXPECT_NE(main.x(), -1000);

    QStringList statuses;
    SearchFlow search(find, model, state, prompts, [&](const QString &s) { statuses << s; });
    RatingFlow rating(hod, model, state, prompts);
    search.setServiceBase(base);
    rating.setServiceBase(base);

    search.search(QString::fromUtf8("Šárka"));
    ASSERT_TRUE(WaitUntil([&] { return !find.IsBusy(); }, 20000));
    ASSERT_EQ(model.count(), 2) << service->log();
    EXPECT_EQ(statuses.last(), QStringLiteral("Nalezeno 2 MP3"));

    // The rows follow the reply's order, whatever order that is.
    const std::string raw = rawExchange(address, 80,
                                        "POST /engine/finder.php?find=%8A%E1rka HTTP/1.0\r\nContent-Type: "
                                        "application/x-www-form-urlencoded\r\nContent-Length: "
                                            + std::to_string(4 + QByteArray::number(state.ClientId).size())
                                            + "\r\n\r\nKID=" + std::to_string(state.ClientId));
    const auto body = raw.substr(raw.find("\r\n\r\n") + 4);
    const TReplyResult<TFinderReply> reply = TFinderReply::Read(QByteArrayView(body));
    ASSERT_TRUE(reply.ok());
    ASSERT_EQ(reply->records.size(), 2u);
    for (int r = 0; r < 2; ++r) {
        EXPECT_EQ(model.row(r).trackId().toStdString(), reply->records[static_cast<size_t>(r)].id);
        EXPECT_EQ(model.row(r).subItem(ResultRow::kSubArtist), QByteArray("\x8A\xE1rka"));
        EXPECT_TRUE(model.row(r).mayRate()) << r;
    }

    // Four stars for the second row: its rating text changes and it can be rated no more.
    const QByteArray id = model.row(1).trackId();
    const QByteArray before = model.row(1).subItem(ResultRow::kSubRating);
    rating.rate(4, 1);
    ASSERT_TRUE(WaitUntil([&] { return !hod.IsBusy(); }, 20000));
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.value(0).text.toStdString();
    EXPECT_FALSE(model.row(1).mayRate());
    EXPECT_EQ(model.row(1).subItem(ResultRow::kSubRating), QByteArray("4"));
    EXPECT_NE(model.row(1).subItem(ResultRow::kSubRating), before);
    EXPECT_TRUE(model.row(0).mayRate());

    // The service remembers: the same search no longer offers that track for rating.
    search.search(QString::fromUtf8("Šárka"));
    ASSERT_TRUE(WaitUntil([&] { return !find.IsBusy(); }, 20000));
    ASSERT_EQ(model.count(), 2);
    for (int r = 0; r < 2; ++r)
        EXPECT_EQ(model.row(r).mayRate(), model.row(r).trackId() != id) << r;
}
