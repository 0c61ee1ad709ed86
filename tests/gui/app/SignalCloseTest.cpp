#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs a copy of the program in a folder of its own (its settings file sits
// beside it), waits until start-up has written the settings, sends the
// signal and returns the settings file after the program ended.
QByteArray runAndSignal(int signalNumber, const QByteArray &initialIni, int &exitCode)
{
    QTemporaryDir dir;
    const QString program = dir.filePath("sonaro-klient");
    const bool copied = QFile::copy(qEnvironmentVariable("SONARO_BIN_DIR") + "/sonaro-klient", program);
    EXPECT_TRUE(copied) << "SONARO_BIN_DIR must name the folder of the built program";
    if (!copied)
        return {};
    // The audio library beside it, as installed; without it start-up stops
    // at a message box.
    EXPECT_TRUE(QFile::copy(qEnvironmentVariable("SONARO_BIN_DIR") + "/libsonaroaudio.so",
                            dir.filePath("libsonaroaudio.so")));
    const QString iniPath = dir.filePath("sonaro-klient.ini");
    if (!initialIni.isEmpty()) {
        QFile f(iniPath);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(initialIni);
    }

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
    env.insert("SDL_AUDIODRIVER", "dummy"); // no sound card needed
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, {});
    const bool started = process.waitForStarted(10000);
    EXPECT_TRUE(started);
    // Never signal pid 0: that would reach this test's whole process group.
    if (!started || process.processId() <= 0)
        return {};

    // The three switches are the last thing start-up writes.
    QDeadlineTimer deadline(30000);
    while (!readFile(iniPath).contains("Pomatovat=") && !deadline.hasExpired())
        QThread::msleep(20);
    EXPECT_TRUE(readFile(iniPath).contains("Pomatovat="));
    // Let the event loop start (the first showing happens there).
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(process.processId()), signalNumber);
    EXPECT_TRUE(process.waitForFinished(30000));
    exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return readFile(iniPath);
}

} // namespace

TEST(SignalClose, TermAndIntCloseTheWindowAndSaveTheSettings)
{
    for (int sig : {SIGTERM, SIGINT}) {
        int exitCode = -2;
        const QByteArray ini = runAndSignal(sig, "[Hlavni]\nPosledniFind=Kabát\n[Okno]\nVolume=7\n", exitCode);
        EXPECT_EQ(exitCode, 0) << "signal " << sig;
        // The close wrote every key of the close step; the knob keeps the
        // restored volume, the search box holds the remembered search.
        EXPECT_TRUE(ini.contains("PosledniFind=Kabát\n")) << ini.constData();
        EXPECT_TRUE(ini.contains("Volume=7\n")) << ini.constData();
        EXPECT_TRUE(ini.contains("\nTop=")) << ini.constData();
        EXPECT_TRUE(ini.contains("\nLeft=")) << ini.constData();
        EXPECT_TRUE(ini.contains("[Playlisty]\nPomatovat=1\nPosledni=no\n")) << ini.constData();
        EXPECT_TRUE(ini.contains("[Cesty]\nPLS=\nPLO=\nMP3D=\n")) << ini.constData();
    }
}
