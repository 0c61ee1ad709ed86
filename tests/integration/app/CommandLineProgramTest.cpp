#include "FileDialogOptions.h"
#include "PlaylistFile.h"
#include "PlaylistModel.h"
#include "PromptRecorder.h"
#include "ServiceProcess.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString program()
{
    return qEnvironmentVariable("SONARO_BIN_DIR") + "/sonaro-klient";
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The environment of a machine without any display.
QProcessEnvironment withoutDisplay()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    return env;
}

} // namespace

TEST(CommandLineProgram, VersionAndHelpNeedNoDisplay)
{
    QProcess p;
    p.setProcessEnvironment(withoutDisplay());
    p.start(program(), {"--version"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_EQ(p.readAllStandardOutput(), "sonaro-klient 0.3\n");

    p.start(program(), {"--help"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0);
    const QByteArray help = p.readAllStandardOutput();
    EXPECT_TRUE(help.contains("--server <url>")) << help.constData();
    EXPECT_TRUE(help.contains("[playlist.kpl]")) << help.constData();

    p.start(program(), {"--no-such-option"});
    ASSERT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardError().contains("no-such-option"));
}

TEST(CommandLineProgram, ServerOptionAndPlaylistArgumentSteerTheRun)
{
    QTemporaryDir dir;
    // The service on a port other than 80, where nothing else answers.
    const std::string address = "127.97." + std::to_string(getpid() % 250 + 1) + ".9";
    ASSERT_TRUE(QDir().mkpath(dir.filePath("music")));
    ServiceProcess service({"--music", dir.filePath("music").toStdString(), "--database",
                            dir.filePath("db").toStdString(), "--address", address, "--port", "8080"},
                           dir.filePath("service.log").toStdString());
    ASSERT_TRUE(service.waitUntilListening(address, 8080, std::chrono::seconds(20))) << service.log();

    // A playlist made by the program's own writer.
    const QString kpl = dir.filePath("mix.kpl");
    {
        PlaylistModel model;
        model.insertEntry(0, PlaylistEntry{"Prvni", "00:02", "http://x/1.mp3", "1"});
        PromptRecorder prompts;
        FileDialogOptions open, save;
        PlaylistFile(model, prompts, open, save).savePlayList(kpl);
    }
    QDir().mkpath(dir.filePath("prog"));
    const QString copy = dir.filePath("prog/sonaro-klient");
    ASSERT_TRUE(QFile::copy(program(), copy));
    ASSERT_TRUE(QFile::copy(qEnvironmentVariable("SONARO_BIN_DIR") + "/libsonaroaudio.so",
                            dir.filePath("prog/libsonaroaudio.so")));
    // A remembered search (so start-up searches) and no remembered playlist.
    {
        QFile ini(dir.filePath("prog/sonaro-klient.ini"));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Hlavni]\nPosledniFind=Kapela\n[Playlisty]\nPomatovat=0\n");
    }

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("SDL_AUDIODRIVER", "dummy");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    const QString server = "http://" + QString::fromStdString(address) + ":8080/";
    p.start(copy, {"--server", server, kpl});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_GT(p.processId(), 0);

    // The update reply from that service gives the installation its client ID.
    const QString keys = dir.filePath("config/sonaro-klient/keys");
    const auto keyStored = [&] {
        QDirIterator it(keys, QDir::Files, QDirIterator::Subdirectories);
        return it.hasNext();
    };
    for (int i = 0; i < 300 && !keyStored(); ++i)
        QThread::msleep(100);
    EXPECT_TRUE(keyStored()) << "no client ID from " << server.toStdString() << "\n" << service.log();
    ::kill(static_cast<pid_t>(p.processId()), SIGTERM);
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 0);

    // The playlist named on the command line was the open one at close.
    const QByteArray ini = readFile(dir.filePath("prog/sonaro-klient.ini"));
    EXPECT_TRUE(ini.contains("Posledni=" + kpl.toUtf8() + "\n")) << ini.constData();
    EXPECT_TRUE(ini.contains("PLO=" + dir.path().toUtf8() + "\n")) << ini.constData();
}
