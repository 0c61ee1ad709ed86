#include "ClientIdStore.h"
#include "FlowHarness.h"
#include "IniFile.h"
#include "MainState.h"
#include "PromptRecorder.h"
#include "TLoopbackServer.h"
#include "TFormLoader.h"
#include "THTTPGet.h"
#include "UpdateCheck.h"
#include "UserKeyStore.h"
#include "WindowPlacement.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

QByteArray updater(const QByteArray &attrs, const QByteArray &children = "<c>125000</c><m></m>")
{
    return "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\n<u data=\"updater\" " + attrs + ">" + children + "</u>";
}

// Remembers what the main window's status said whenever a message appeared.
struct StatusAwarePrompts : PromptRecorder
{
    QLabel *status = nullptr;
    QStringList statusAtMessage;
    void message(const QString &text, const QString &caption) override
    {
        statusAtMessage << status->text();
        PromptRecorder::message(text, caption);
    }
};

// A main window off the screen, its three fetchers and a start-up window
// pointed at a fake service.
struct Harness
{
    QTemporaryDir dir;
    TLoopbackServer server;
    MainState state;
    THTTPGet find, get, hod;
    UserKeyStore keys{dir.filePath(QStringLiteral("keys"))};
    StatusAwarePrompts prompts;
    QWidget main;
    QLabel *status = new QLabel(QStringLiteral("Sonaro Klient"), &main);
    std::unique_ptr<TFormLoader> loader;

    Harness()
    {
        main.resize(400, 300);
        main.move(-1000, -1000);
        main.show();
        prompts.status = status;
    }
    QString iniPath() const { return dir.filePath(QStringLiteral("sonaro-klient.ini")); }
    void writeSetting(const char *section, const char *key, int value)
    {
        IniFile(iniPath()).writeInteger(QString::fromLatin1(section), QString::fromLatin1(key), value);
    }
    // Shows the start-up window and waits until it has closed itself.
    bool run(const TLoopbackReply &reply)
    {
        server.QueueReply(reply);
        loader = std::make_unique<TFormLoader>(TFormLoader::Inputs{
            state, {&find, &get, &hod}, keys, prompts, &main, status, iniPath(), dir.path(), server.Url("/")});
        loader->show();
        return WaitUntil([this] { return loader->check().finished() && !loader->isVisible(); });
    }
    bool run(const QByteArray &body) { return run(TLoopbackReply{TLoopbackServer::Response(body)}); }
    QSize screen() const { return QGuiApplication::primaryScreen()->geometry().size(); }
};

} // namespace

TEST(UpdateCheck, ReplyGivesTheClientIdAndTheCount)
{
    Harness h;
    ASSERT_TRUE(h.run(updater("kid=\"4711\" newver=\"ne\" jezprava=\"ne\"")));

    ASSERT_EQ(h.server.Requests().size(), 1u);
    EXPECT_EQ(h.server.Requests()[0].RequestLine, "GET /engine/update.php?verze=0.3&kid=-1 HTTP/1.0");
    EXPECT_EQ(h.state.ClientId, 4711);
    EXPECT_EQ(ClientIdStore::read(h.keys), 4711);
    for (THTTPGet *f : {&h.find, &h.get, &h.hod})
        EXPECT_EQ(f->PostQuery, QByteArray("KID=4711"));
    const QString count = QString::fromUtf8("V naší databázi je: 125000 MP3");
    EXPECT_EQ(h.status->text(), count);
    EXPECT_EQ(h.state.DatabaseCountText, count);
    EXPECT_TRUE(h.prompts.shown.isEmpty());
    EXPECT_FALSE(h.loader->quitRequested());

    // The main window's next request carries the ID as a POST body.
    h.server.QueueReply({TLoopbackServer::Response("x")});
    h.find.URL = h.server.Url("/engine/finder.php?find=a");
    h.find.GetString();
    ASSERT_TRUE(WaitUntil([&] { return !h.find.IsBusy(); }));
    const TLoopbackRequest post = h.server.Requests().back();
    EXPECT_EQ(post.RequestLine, "POST /engine/finder.php?find=a HTTP/1.0");
    EXPECT_EQ(post.Body, "KID=4711");
    EXPECT_EQ(post.Header("Content-Type"), "application/x-www-form-urlencoded");
}

TEST(UpdateCheck, KnownClientIdIsSentAndReplacedByTheServicesOne)
{
    Harness h;
    h.state.ClientId = 77;
    ASSERT_TRUE(h.run(updater("kid=\"-5\" newver=\"ne\"")));
    EXPECT_EQ(h.server.Requests()[0].RequestLine, "GET /engine/update.php?verze=0.3&kid=77 HTTP/1.0");
    EXPECT_EQ(h.state.ClientId, -5);
    EXPECT_EQ(h.find.PostQuery, QByteArray("KID=-5"));
}

TEST(UpdateCheck, NewVersionIsOfferedWithItsSizeUnlessSwitchedOff)
{
    const QString question = QString::fromUtf8(
        "Nová verze (0.4) programu Sonaro Klient je k dispozici. Aktualizovat? (Velikost: 1 MB)");
    {
        Harness h;
        ASSERT_TRUE(h.run(updater("kid=\"1\" newver=\"ano\" verze=\"0.4\" velikost=\"1048576\"")));
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Confirm), QStringList{question});
        EXPECT_FALSE(h.loader->quitRequested()); // answered No
    }
    {
        Harness h;
        h.writeSetting("Hlavni", "AAPouzivat", 0);
        ASSERT_TRUE(h.run(updater("kid=\"1\" newver=\"ano\" verze=\"0.4\" velikost=\"1048576\"")));
        EXPECT_TRUE(h.prompts.shown.isEmpty());
        EXPECT_EQ(h.state.ClientId, 1); // the rest of the reply is still handled
    }
    {
        // A size that is no number makes no offer; the rest goes on.
        Harness h;
        ASSERT_TRUE(h.run(updater("kid=\"1\" newver=\"ano\" verze=\"0.4\" velikost=\"3,5MB\"")));
        EXPECT_TRUE(h.prompts.shown.isEmpty());
        EXPECT_FALSE(h.status->text().isEmpty());
        EXPECT_EQ(h.state.ClientId, 1);
    }
}

TEST(UpdateCheck, AcceptedUpdateStartsTheUpdaterOrSaysWhyNot)
{
    const QByteArray offer = updater("kid=\"1\" newver=\"ano\" verze=\"0.4\" velikost=\"3670016\"");
    {
        // No updater beside the program: a clear message, and the program keeps running.
        Harness h;
        h.prompts.answers.enqueue(true);
        ASSERT_TRUE(h.run(offer));
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Error), QStringList{UpdateCheck::updaterMissingText()});
        EXPECT_FALSE(h.loader->quitRequested());
        EXPECT_EQ(h.state.ClientId, 1);
    }
    {
        // An updater that is there but cannot be executed: the same.
        Harness h;
        QFile plain(h.dir.filePath(QStringLiteral("update")));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.write("not a program\n");
        plain.close();
        h.prompts.answers.enqueue(true);
        ASSERT_TRUE(h.run(offer));
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Error), QStringList{UpdateCheck::updaterMissingText()});
        EXPECT_FALSE(h.loader->quitRequested());
    }
    {
        Harness h;
        const QString script = h.dir.filePath(QStringLiteral("update"));
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\npwd > started-in\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        h.prompts.answers.enqueue(true);
        ASSERT_TRUE(h.run(offer));
        EXPECT_TRUE(h.loader->quitRequested());
        EXPECT_TRUE(h.prompts.texts(PromptRecorder::Kind::Error).isEmpty());
        // The steps after the offer still ran.
        EXPECT_EQ(h.status->text(), QString::fromUtf8("V naší databázi je: 125000 MP3"));
        const QString marker = h.dir.filePath(QStringLiteral("started-in"));
        ASSERT_TRUE(WaitUntil([&] { return QFile::exists(marker) && QFileInfo(marker).size() > 0; }));
        QFile started(marker);
        ASSERT_TRUE(started.open(QIODevice::ReadOnly));
        EXPECT_EQ(QDir(QString::fromLocal8Bit(started.readAll().trimmed())).canonicalPath(),
                  QDir(h.dir.path()).canonicalPath());
    }
}

TEST(UpdateCheck, MessageComesBeforeTheCountAndWindowIsPlaced)
{
    Harness h;
    h.writeSetting("Okno", "Top", 100);
    h.writeSetting("Okno", "Left", 50);
    ASSERT_TRUE(h.run(updater("kid=\"2\" jezprava=\"ano\"", "<c>9</c><m>Servis v ned\xECli</m>")));
    EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{QString::fromUtf8("Servis v neděli")});
    EXPECT_EQ(h.prompts.statusAtMessage, QStringList{QStringLiteral("Sonaro Klient")});
    EXPECT_EQ(h.status->text(), QString::fromUtf8("V naší databázi je: 9 MP3"));
    EXPECT_EQ(h.main.pos(), QPoint(50, 100));
}

TEST(UpdateCheck, FailuresAndUnreadableRepliesStillPlaceTheWindowAndClose)
{
    const QString failure = QString::fromUtf8("Při dotazu na server došlo k chybě.");
    const QString failed = QString::fromUtf8("Došlo k chybě");
    {
        Harness h;
        h.state.ClientId = 33;
        TLoopbackReply drop;
        drop.DropAfter = 0;
        ASSERT_TRUE(h.run(drop));
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{failure});
        EXPECT_EQ(h.status->text(), failed);
        EXPECT_EQ(h.state.ClientId, 33);
        EXPECT_TRUE(h.find.PostQuery.isEmpty());
        EXPECT_FALSE(ClientIdStore::read(h.keys) == 33);
        const QSize frame = h.main.frameGeometry().size();
        EXPECT_EQ(h.main.pos(), QPoint(WindowPlacement::coordinate(-1, h.screen().width(), frame.width()),
                                       WindowPlacement::coordinate(-1, h.screen().height(), frame.height())));
        EXPECT_GE(h.main.x(), 0);
    }
    // Broken replies: nothing is taken over, the user hears of a failure.
    for (const QByteArray &body : {QByteArray("<html>502</html"), updater("kid=\"abc\""),
                                   updater("kid=\"1\"", ""), updater("kid=\"99999999999\"")}) {
        Harness h;
        h.writeSetting("Okno", "Top", 0);
        h.writeSetting("Okno", "Left", 0);
        ASSERT_TRUE(h.run(body)) << body.constData();
        EXPECT_EQ(h.prompts.texts(PromptRecorder::Kind::Message), QStringList{failure}) << body.constData();
        EXPECT_EQ(h.status->text(), failed);
        EXPECT_EQ(h.state.ClientId, -1);
        EXPECT_EQ(ClientIdStore::read(h.keys), -1);
        EXPECT_TRUE(h.get.PostQuery.isEmpty());
        EXPECT_EQ(h.main.pos(), QPoint(0, 0));
    }
    {
        // Another kind of reply: silently placed and closed.
        Harness h;
        ASSERT_TRUE(h.run(QByteArray("<u data=\"finder\" kid=\"5\"><c>1</c></u>")));
        EXPECT_TRUE(h.prompts.shown.isEmpty());
        EXPECT_EQ(h.status->text(), QStringLiteral("Sonaro Klient"));
        EXPECT_EQ(h.state.ClientId, -1);
        EXPECT_GE(h.main.y(), 0);
    }
}

TEST(UpdateCheck, TheUserCannotCloseTheWindowWhileTheCheckRuns)
{
    Harness h;
    TLoopbackReply slow{TLoopbackServer::Response(updater("kid=\"3\""))};
    slow.DelayMs = 400;
    h.server.QueueReply(slow);
    h.loader = std::make_unique<TFormLoader>(TFormLoader::Inputs{
        h.state, {&h.find, &h.get, &h.hod}, h.keys, h.prompts, &h.main, h.status, h.iniPath(), h.dir.path(),
        h.server.Url("/")});
    EXPECT_EQ(h.loader->size(), QSize(273, 153));
    EXPECT_EQ(h.loader->lbl_verze->text(), QStringLiteral("Verze: 0.3"));
    EXPECT_EQ(h.loader->Info->text(), QStringLiteral("Aktualizuji informace ..."));
    h.loader->show();
    QTest::keyClick(h.loader.get(), Qt::Key_Escape);
    EXPECT_TRUE(h.loader->isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !h.loader->isVisible(); }));
    EXPECT_EQ(h.state.ClientId, 3);
}
