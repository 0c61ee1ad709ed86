// Downloads against a real nginx on loopback, with real faults: the server
// process killed and restarted, and packets dropped by iptables. The test
// process moves into a network namespace of its own first, so its rules and
// its port 80 touch nothing else; where that is not allowed the tests skip.
#include "WaitUntil.h"
#include "DownloadTimings.h"
#include "PartialFileTag.h"
#include "PromptRecorder.h"
#include "TFormDown.h"
#include "THTTPGet.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

extern char **environ;

namespace {

// Why the tests cannot run here; empty when they can.
std::string &SkipReason()
{
    static std::string reason;
    return reason;
}

bool Shell(const std::string &command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

QByteArray RandomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool Listening()
{
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(80);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(s);
    return ok;
}

// One nginx process (no master) serving root/ on 127.0.0.1:80; /slow/ at
// 2 MB/s, the rest at 12 MB/s. Access log: status, Range, If-Range, bytes.
class Nginx
{
public:
    explicit Nginx(const QString &dir)
        : FDir(dir)
    {
        QDir().mkpath(dir + QStringLiteral("/www/slow"));
        QDir().mkpath(dir + QStringLiteral("/tmp"));
        const QString conf = QStringLiteral(
            "daemon off; master_process off; worker_processes 1;\n"
            "error_log %1/error.log; pid %1/nginx.pid;\n"
            "events { worker_connections 64; }\n"
            "http {\n"
            "  log_format ranges '$status \"$http_range\" \"$http_if_range\" $body_bytes_sent';\n"
            "  access_log %1/access.log ranges;\n"
            "  client_body_temp_path %1/tmp; proxy_temp_path %1/tmp; fastcgi_temp_path %1/tmp;\n"
            "  uwsgi_temp_path %1/tmp; scgi_temp_path %1/tmp;\n"
            "  server { listen 127.0.0.1:80; root %1/www; limit_rate 12m;\n"
            "           location /slow/ { limit_rate 2m; } }\n"
            "}\n").arg(dir);
        WriteAll(dir + QStringLiteral("/nginx.conf"), conf.toUtf8());
    }
    ~Nginx() { Kill(); }

    QString Www() const { return FDir + QStringLiteral("/www"); }

    bool Start()
    {
        const std::string conf = (FDir + QStringLiteral("/nginx.conf")).toStdString();
        const std::string prefix = FDir.toStdString();
        const char *argv[] = {"nginx", "-p", prefix.c_str(), "-c", conf.c_str(), nullptr};
        if (::posix_spawnp(&FPid, "nginx", nullptr, nullptr, const_cast<char **>(argv), environ) != 0) {
            FPid = -1;
            return false;
        }
        return WaitUntil([] { return Listening(); }, 5000);
    }

    // As a crash would: the connections die with the process.
    void Kill()
    {
        if (FPid <= 0)
            return;
        ::kill(FPid, SIGKILL);
        ::waitpid(FPid, nullptr, 0);
        FPid = -1;
    }

    // The access log's lines so far.
    QList<QByteArray> Log() const
    {
        QList<QByteArray> lines = ReadAll(FDir + QStringLiteral("/access.log")).split('\n');
        lines.removeAll(QByteArray());
        return lines;
    }

private:
    QString FDir;
    pid_t FPid = -1;
};

QString LabelText(const QWidget *w, const char *name)
{
    const auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

class DownloadResume : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        THTTPGet::GlobalInit();
        // Before any worker thread exists: threads made later inherit it.
        if (::unshare(CLONE_NEWNET) != 0)
            SkipReason() = "cannot make a network namespace (needs root): " + std::string(std::strerror(errno));
        else if (!Shell("ip link set lo up"))
            SkipReason() = "cannot bring up loopback in the namespace (ip from iproute2 missing?)";
        else if (QStandardPaths::findExecutable(QStringLiteral("nginx"), {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")}).isEmpty())
            SkipReason() = "nginx is not installed";
    }

    void SetUp() override
    {
        if (!SkipReason().empty())
            GTEST_SKIP() << SkipReason();
        ASSERT_TRUE(FDir.isValid());
        setenv("PATH", (std::string(std::getenv("PATH") ? std::getenv("PATH") : "") + ":/usr/sbin").c_str(), 1);
        ASSERT_TRUE(FServer.Start()) << ReadAll(FDir.filePath(QStringLiteral("srv/error.log"))).toStdString();
    }

    void TearDown() override
    {
        for (QPointer<TFormDown> &w : FWindows)
            delete w.data();
        EXPECT_TRUE(WaitUntil([] { return THTTPGet::RunningWorkers() == 0; }));
        FServer.Kill();
    }

    TFormDown *Start(const QString &path, const QString &file, const DownloadTimings &timings)
    {
        TFormDown *w = TFormDown::start(FPrompts, "http://127.0.0.1" + path.toUtf8(), file, QStringLiteral("T - B"),
                                        QStringLiteral("T - B A"), timings);
        FWindows.append(w);
        return w;
    }

    QTemporaryDir FDir;
    Nginx FServer{FDir.filePath(QStringLiteral("srv"))};
    PromptRecorder FPrompts;
    QList<QPointer<TFormDown>> FWindows;
};

} // namespace

TEST_F(DownloadResume, KilledServerAtFortyPercentResumesByItselfToAnIdenticalFile)
{
    const QByteArray source = RandomBytes(30 * 1024 * 1024, 1);
    ASSERT_TRUE(WriteAll(FServer.Www() + QStringLiteral("/big.mp3"), source));
    const QString file = FDir.filePath(QStringLiteral("big.mp3"));
    QPointer<TFormDown> w = Start(QStringLiteral("/big.mp3"), file, {2000, 2000, 200, 6});

    // 42 on the bar: past 40 % even after rounding and what the kill may cost.
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().BarValue() >= 42 || w->Progress().Finished(); }, 20000));
    ASSERT_FALSE(w->Progress().Finished());
    FServer.Kill();
    WaitUntil([] { return false; }, 300); // the first retry finds nobody listening
    ASSERT_TRUE(FServer.Start());

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }, 30000));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done) << LabelText(w, "lbl_stav").toStdString();
    EXPECT_TRUE(ReadAll(file) == source);
    EXPECT_FALSE(QFile::exists(file + QStringLiteral(".part")));

    // The killed instance logged nothing; the restarted one served the rest
    // only: one ranged request from at least 40 %, no byte sent twice.
    const QList<QByteArray> log = FServer.Log();
    ASSERT_EQ(log.size(), 1) << log.join('\n').toStdString();
    const QList<QByteArray> fields = log[0].split(' ');
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields[0], "206");
    ASSERT_TRUE(fields[1].startsWith("\"bytes="));
    const qint64 from = fields[1].mid(7).chopped(2).toLongLong();
    EXPECT_GE(from, source.size() * 4 / 10);
    EXPECT_NE(fields[2], "\"\""); // If-Range with the server's ETag
    EXPECT_EQ(fields[3].toLongLong(), source.size() - from);
    EXPECT_TRUE(w->close());
}

TEST_F(DownloadResume, StalledDownloadFailsWithTheRetryButtonThatResumesIt)
{
    if (!Shell("iptables -L OUTPUT -n"))
        GTEST_SKIP() << "iptables does not work here";
    const QByteArray source = RandomBytes(3 * 1024 * 1024, 2);
    ASSERT_TRUE(WriteAll(FServer.Www() + QStringLiteral("/slow/stall.mp3"), source));
    const QString file = FDir.filePath(QStringLiteral("stall.mp3"));
    QPointer<TFormDown> w = Start(QStringLiteral("/slow/stall.mp3"), file, {1000, 1000, 100, 1});

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().BarValue() >= 30 || w->Progress().Finished(); }, 20000));
    // Nothing from the server reaches the client any more.
    const std::string rule = "OUTPUT -o lo -p tcp --sport 80 -j DROP";
    ASSERT_TRUE(Shell("iptables -A " + rule));
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }, 20000));
    const bool removed = Shell("iptables -D " + rule);
    ASSERT_TRUE(removed);
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Failed);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Chyba - Sonaro Klient"));
    EXPECT_FALSE(LabelText(w, "lbl_stav").isEmpty());
    auto *retry = w->findChild<QPushButton *>(QStringLiteral("btn_znovu"));
    ASSERT_TRUE(retry && retry->isVisible());
    const qint64 kept = QFileInfo(file + QStringLiteral(".part")).size();
    EXPECT_GT(kept, 0);

    retry->click();
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }, 20000));
    EXPECT_EQ(w->Progress().State(), DownloadProgress::TState::Done) << LabelText(w, "lbl_stav").toStdString();
    EXPECT_TRUE(ReadAll(file) == source);
    const QList<QByteArray> log = FServer.Log();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_TRUE(log.last().startsWith("206 \"bytes=" + QByteArray::number(kept) + "-\"")) << log.last().toStdString();
    EXPECT_TRUE(w->close());
}

TEST_F(DownloadResume, ClosedFailedWindowKeepsThePartForALaterDownloadUnlessTheFileChanged)
{
    const QByteArray first = RandomBytes(2 * 1024 * 1024, 3);
    const QString served = FServer.Www() + QStringLiteral("/slow/song.mp3");
    ASSERT_TRUE(WriteAll(served, first));
    const QString file = FDir.filePath(QStringLiteral("song.mp3"));
    const QString part = file + QStringLiteral(".part");

    // No automatic retries: the first fault is the end.
    auto failOnce = [&] {
        QPointer<TFormDown> w = Start(QStringLiteral("/slow/song.mp3"), file, {1000, 1000, 100, 0});
        if (!WaitUntil([&] { return w->Progress().BarValue() >= 40 || w->Progress().Finished(); }, 20000))
            return false;
        FServer.Kill();
        const bool failed = WaitUntil([&] { return w->Progress().Finished(); }, 10000)
                         && w->Progress().State() == DownloadProgress::TState::Failed;
        w->close();
        return failed && WaitUntil([&] { return w.isNull(); }) && FServer.Start();
    };
    ASSERT_TRUE(failOnce());
    EXPECT_EQ(FPrompts.texts(PromptRecorder::Kind::Confirm).size(), 0);
    const qint64 kept = QFileInfo(part).size();
    ASSERT_GT(kept, 0);
    EXPECT_FALSE(QFile::exists(file));

    // A new window for the same address and name continues the part.
    QPointer<TFormDown> again = Start(QStringLiteral("/slow/song.mp3"), file, {1000, 1000, 100, 0});
    ASSERT_TRUE(WaitUntil([&] { return again->Progress().Finished(); }, 20000));
    EXPECT_EQ(again->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_TRUE(ReadAll(file) == first);
    EXPECT_TRUE(FServer.Log().last().startsWith("206 \"bytes=" + QByteArray::number(kept) + "-\""));
    again->close();

    // Interrupted again, then the server's file is replaced: the resume's
    // If-Range no longer matches, the whole new file comes and is kept.
    QFile::remove(file);
    ASSERT_TRUE(failOnce());
    const QByteArray second = RandomBytes(2 * 1024 * 1024 + 4096, 4);
    ASSERT_TRUE(WriteAll(served, second));
    QPointer<TFormDown> changed = Start(QStringLiteral("/slow/song.mp3"), file, {1000, 1000, 100, 0});
    ASSERT_TRUE(WaitUntil([&] { return changed->Progress().Finished(); }, 20000));
    EXPECT_EQ(changed->Progress().State(), DownloadProgress::TState::Done);
    EXPECT_TRUE(ReadAll(file) == second);
    EXPECT_TRUE(FServer.Log().last().startsWith("200 \"bytes=")) << FServer.Log().last().toStdString();
    changed->close();
}
