// A 200 MiB download through the download window against `curl -o` of the
// same URL, both from a sendfile loopback server, in alternating rounds.
// Meanwhile a 5 ms timer on the user-interface thread records how late each
// tick comes: the window must keep the interface responsive while it
// downloads. Argument: number of rounds (default 3).
#include "Prompts.h"
#include "TFormDown.h"
#include "THTTPGet.h"
#include "TLoopbackServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

constexpr qint64 FileBytes = qint64(200) * 1024 * 1024;
constexpr int TickMs = 5;

// The bench never closes a running window, so no question is ever asked.
class YesPrompts : public Prompts
{
public:
    void message(const QString &, const QString &) override {}
    void error(const QString &) override {}
    bool confirm(const QString &, const QString &) override { return true; }
    bool openFileName(FileDialogOptions &) override { return false; }
    bool saveFileName(FileDialogOptions &) override { return false; }
};

bool MakeSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    std::mt19937_64 random(42);
    std::vector<quint64> block(1 << 17); // 1 MiB
    for (qint64 written = 0; written < FileBytes; written += qint64(block.size() * 8)) {
        for (quint64 &v : block)
            v = random();
        if (file.write(reinterpret_cast<const char *>(block.data()), qint64(block.size() * 8)) < 0)
            return false;
    }
    return file.flush();
}

struct Run
{
    double Seconds = 0;
    bool Ok = false;
    std::vector<double> LatenessMs; // one entry per timer tick
};

// Runs the event loop until done() holds, with the 5 ms timer measuring.
void Measure(Run &run, const std::function<bool()> &done)
{
    QEventLoop loop;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QElapsedTimer clock;
    qint64 previous = 0;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        const qint64 now = clock.nsecsElapsed();
        run.LatenessMs.push_back(std::max(0.0, (now - previous) / 1e6 - TickMs));
        previous = now;
        if (done())
            loop.quit();
    });
    QElapsedTimer total;
    total.start();
    clock.start();
    tick.start(TickMs);
    loop.exec();
    run.Seconds = total.nsecsElapsed() / 1e9;
}

Run WindowRun(Prompts &prompts, const QByteArray &url, const QString &target)
{
    Run run;
    QPointer<TFormDown> window = TFormDown::start(prompts, url, target, QStringLiteral("Bench - Sonaro"),
                                                  QStringLiteral("Bench - Sonaro Album"));
    Measure(run, [&] { return !window || window->Progress().Finished(); });
    run.Ok = window && window->Progress().State() == DownloadProgress::TState::Done
             && QFileInfo(target).size() == FileBytes;
    if (window)
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return run;
}

Run CurlRun(const QByteArray &url, const QString &target)
{
    Run run;
    QProcess curl;
    curl.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), target, QString::fromLatin1(url)});
    Measure(run, [&] { return curl.state() == QProcess::NotRunning; });
    run.Ok = curl.exitStatus() == QProcess::NormalExit && curl.exitCode() == 0
             && QFileInfo(target).size() == FileBytes;
    return run;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size())))];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    THTTPGet::GlobalInit();
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.mp3"));
    if (!dir.isValid() || !MakeSource(source)) {
        std::fprintf(stderr, "cannot write the 200 MiB source file\n");
        return 1;
    }
    std::unique_ptr<TLoopbackServer> server;
    try {
        server = std::make_unique<TLoopbackServer>();
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    TLoopbackReply file;
    file.Status = 200;
    file.Headers = {"Content-Type: audio/mpeg"};
    file.File = source;
    server->SetReply(file);
    const QByteArray url = server->Url("/bench.mp3");
    const QString target = dir.filePath(QStringLiteral("target.mp3"));
    YesPrompts prompts;

    std::vector<double> curlRate, windowRate, windowLate, curlLate;
    bool allOk = true;
    for (int r = 0; r < rounds; ++r) {
        QFile::remove(target);
        const Run c = CurlRun(url, target);
        QFile::remove(target);
        const Run w = WindowRun(prompts, url, target);
        allOk = allOk && c.Ok && w.Ok;
        const double mib = FileBytes / (1024.0 * 1024.0);
        curlRate.push_back(mib / c.Seconds);
        windowRate.push_back(mib / w.Seconds);
        windowLate.insert(windowLate.end(), w.LatenessMs.begin(), w.LatenessMs.end());
        curlLate.insert(curlLate.end(), c.LatenessMs.begin(), c.LatenessMs.end());
        std::printf("round %d: curl %7.1f MiB/s%s  TFormDown %7.1f MiB/s%s  UI p99 late %.2f ms\n", r + 1,
                    curlRate.back(), c.Ok ? "" : " (FAILED)", windowRate.back(), w.Ok ? "" : " (FAILED)",
                    Percentile(w.LatenessMs, 0.99));
    }
    QFile::remove(target);

    const auto best = [](const std::vector<double> &v) { return *std::max_element(v.begin(), v.end()); };
    std::printf("%lld byte download, %d rounds\n", static_cast<long long>(FileBytes), rounds);
    std::printf("                   median        best\n");
    std::printf("curl -o:        %8.1f MiB/s %8.1f MiB/s\n", Median(curlRate), best(curlRate));
    std::printf("TFormDown:      %8.1f MiB/s %8.1f MiB/s\n", Median(windowRate), best(windowRate));
    std::printf("ratio:          %8.2f       %8.2f       (target >= 0.90)\n",
                Median(windowRate) / Median(curlRate), best(windowRate) / best(curlRate));
    std::printf("UI timer lateness while the window downloads (%zu ticks): p50 %.2f ms, p99 %.2f ms, max %.2f ms"
                " (target p99 < 50 ms)\n",
                windowLate.size(), Percentile(windowLate, 0.5), Percentile(windowLate, 0.99),
                Percentile(windowLate, 1.0));
    std::printf("UI timer lateness while curl downloads (idle baseline): p50 %.2f ms, p99 %.2f ms\n",
                Percentile(curlLate, 0.5), Percentile(curlLate, 0.99));
    if (!allOk)
        std::fprintf(stderr, "some downloads failed\n");
    return allOk ? 0 : 1;
}
