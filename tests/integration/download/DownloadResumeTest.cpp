// Downloads against a real nginx on loopback, with real faults: the server
// process killed and restarted, and packets dropped by iptables. The test
// process moves into a network namespace of its own first, so its rules and
// its port 80 touch nothing else; where that is not allowed the tests skip.
#include "WaitUntil.h"
#include "DownloadTimings.h"
#include "NginxProcess.h"
#include "PartialFileTag.h"
#include "PromptRecorder.h"
#include "TFormDown.h"
#include "THTTPGet.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Why the tests cannot run here; empty when they can.
QString &SkipReason()
{
    static QString reason;
    return reason;
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

QString LabelText(const QWidget *w, const char *name)
{
    const auto *label = w->findChild<QLabel *>(QLatin1String(name));
    return label ? label->text() : QString();
}

// Drops every packet the server sends while it lives, so that a failed
// assertion cannot leave the rule behind to stall the next test's connects.
class DroppedReplies
{
public:
    DroppedReplies()
        : FAdded(NginxProcess::Shell(QByteArray("iptables -A ") + Rule))
    {
    }
    ~DroppedReplies() { Lift(); }
    DroppedReplies(const DroppedReplies &) = delete;
    DroppedReplies &operator=(const DroppedReplies &) = delete;

    bool Added() const { return FAdded; }
    bool Lift()
    {
        if (!FAdded)
            return true;
        FAdded = !NginxProcess::Shell(QByteArray("iptables -D ") + Rule);
        return !FAdded;
    }

private:
    static constexpr const char *Rule = "OUTPUT -o lo -p tcp --sport 80 -j DROP";
    bool FAdded;
};

class DownloadResume : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        THTTPGet::GlobalInit();
        // Before any worker thread exists: threads made later inherit it.
        SkipReason() = NginxProcess::EnterPrivateNetwork();
    }

    void SetUp() override
    {
        if (!SkipReason().isEmpty())
            GTEST_SKIP() << SkipReason().toStdString();
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(FServer.Start()) << FServer.ErrorLog().toStdString();
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
    NginxProcess FServer{FDir.filePath(QStringLiteral("srv"))};
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
    if (!NginxProcess::Shell("iptables -L OUTPUT -n"))
        GTEST_SKIP() << "iptables does not work here";
    const QByteArray source = RandomBytes(3 * 1024 * 1024, 2);
    ASSERT_TRUE(WriteAll(FServer.Www() + QStringLiteral("/slow/stall.mp3"), source));
    const QString file = FDir.filePath(QStringLiteral("stall.mp3"));
    QPointer<TFormDown> w = Start(QStringLiteral("/slow/stall.mp3"), file, {3000, 3000, 100, 1});

    ASSERT_TRUE(WaitUntil([&] { return w->Progress().BarValue() >= 30 || w->Progress().Finished(); }, 20000));
    // Nothing from the server reaches the client any more.
    DroppedReplies dropped;
    ASSERT_TRUE(dropped.Added());
    ASSERT_TRUE(WaitUntil([&] { return w->Progress().Finished(); }, 20000));
    ASSERT_TRUE(dropped.Lift());
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

    // No automatic retries: the first fault is the end. The kill resets the
    // connection, so the timeouts only have to outlast a loaded machine.
    const DownloadTimings once{5000, 5000, 100, 0};
    auto failOnce = [&] {
        QPointer<TFormDown> w = Start(QStringLiteral("/slow/song.mp3"), file, once);
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
    QPointer<TFormDown> again = Start(QStringLiteral("/slow/song.mp3"), file, once);
    ASSERT_TRUE(WaitUntil([&] { return again->Progress().Finished(); }, 20000));
    EXPECT_EQ(again->Progress().State(), DownloadProgress::TState::Done) << LabelText(again, "lbl_stav").toStdString();
    EXPECT_TRUE(ReadAll(file) == first);
    ASSERT_FALSE(FServer.Log().isEmpty());
    EXPECT_TRUE(FServer.Log().last().startsWith("206 \"bytes=" + QByteArray::number(kept) + "-\""));
    again->close();

    // Interrupted again, then the server's file is replaced: the resume's
    // If-Range no longer matches, the whole new file comes and is kept.
    QFile::remove(file);
    ASSERT_TRUE(failOnce());
    const QByteArray second = RandomBytes(2 * 1024 * 1024 + 4096, 4);
    ASSERT_TRUE(WriteAll(served, second));
    QPointer<TFormDown> changed = Start(QStringLiteral("/slow/song.mp3"), file, once);
    ASSERT_TRUE(WaitUntil([&] { return changed->Progress().Finished(); }, 20000));
    EXPECT_EQ(changed->Progress().State(), DownloadProgress::TState::Done) << LabelText(changed, "lbl_stav").toStdString();
    EXPECT_TRUE(ReadAll(file) == second);
    ASSERT_FALSE(FServer.Log().isEmpty());
    EXPECT_TRUE(FServer.Log().last().startsWith("200 \"bytes=")) << FServer.Log().last().toStdString();
    changed->close();
}
