// A 100 MiB download from nginx (50 MB/s) through the download transfer,
// once without a fault and once with the server killed at 20, 40, 60 and
// 80 % and restarted 0.5 s later, with the product's retry timings. Prints
// the bytes that crossed loopback in each run (their difference per outage
// is what an outage costs on the wire: bytes fetched twice plus the
// reconnect), where each resume started against the bytes on disk, and the
// time from the server listening again to data flowing again. Needs root
// (it makes its own network namespace).
#include "DownloadTransfer.h"
#include "NginxProcess.h"
#include "THTTPGet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr qint64 FileBytes = qint64(100) * 1024 * 1024;

// Bytes received on loopback in this thread's network namespace.
qint64 LoopbackBytes()
{
    QFile f(QStringLiteral("/proc/self/net/dev"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : f.readAll().split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith("lo:"))
            return trimmed.mid(3).simplified().split(' ').value(0).toLongLong();
    }
    return -1;
}

struct TRun
{
    bool Done = false;
    QString Failure;
    qint64 WireBytes = 0;
    double Seconds = 0;
    std::vector<qint64> OnDiskAtFault; // to hold against the resumes' Range starts
    std::vector<double> ResumeDelays; // ms from listening again to the next bytes
};

TRun Download(NginxProcess &server, const QString &target, const std::vector<int> &killAt)
{
    TRun run;
    QFile::remove(target);
    QFile::remove(DownloadTransfer::PartName(target));
    DownloadTransfer transfer("http://127.0.0.1/big.mp3", target);
    size_t next = 0;
    bool down = false;
    qint64 onDiskAtFault = -1;
    QElapsedTimer sinceRestart;
    QEventLoop loop;
    QObject::connect(&transfer, &DownloadTransfer::OnProgress, &loop, [&](int total, int have) {
        if (onDiskAtFault >= 0 && !down) {
            run.ResumeDelays.push_back(double(sinceRestart.nsecsElapsed()) / 1e6);
            onDiskAtFault = -1;
        }
        if (next < killAt.size() && total > 0 && qint64(have) * 100 >= qint64(total) * killAt[next]) {
            ++next;
            server.Kill();
            down = true;
            onDiskAtFault = QFileInfo(DownloadTransfer::PartName(target)).size();
            run.OnDiskAtFault.push_back(onDiskAtFault);
            QTimer::singleShot(500, [&] {
                server.Start();
                down = false;
                sinceRestart.start();
            });
        }
    });
    QObject::connect(&transfer, &DownloadTransfer::OnDone, &loop, [&](int) {
        run.Done = true;
        loop.quit();
    });
    QObject::connect(&transfer, &DownloadTransfer::OnFailed, &loop, [&](const QString &message) {
        run.Failure = message;
        loop.quit();
    });
    const qint64 before = LoopbackBytes();
    QElapsedTimer clock;
    clock.start();
    transfer.Start();
    QTimer::singleShot(120000, &loop, &QEventLoop::quit);
    loop.exec();
    run.Seconds = double(clock.nsecsElapsed()) / 1e9;
    run.WireBytes = LoopbackBytes() - before;
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    THTTPGet::GlobalInit();
    const QString why = NginxProcess::EnterPrivateNetwork();
    if (!why.isEmpty()) {
        std::printf("skipped: %s\n", qPrintable(why));
        return 0;
    }
    QTemporaryDir dir;
    NginxProcess server(dir.filePath(QStringLiteral("srv")), "50m");
    {
        QFile source(server.Www() + QStringLiteral("/big.mp3"));
        if (!source.open(QIODevice::WriteOnly))
            return 1;
        std::mt19937_64 random(7);
        std::vector<quint64> block(1 << 17);
        for (qint64 written = 0; written < FileBytes; written += qint64(block.size() * 8)) {
            for (quint64 &v : block)
                v = random();
            source.write(reinterpret_cast<const char *>(block.data()), qint64(block.size() * 8));
        }
    }
    if (!server.Start()) {
        std::printf("nginx did not start: %s\n", server.ErrorLog().constData());
        return 1;
    }
    const QString target = dir.filePath(QStringLiteral("out.mp3"));
    const TRun clean = Download(server, target, {});
    const std::vector<int> killAt = {20, 40, 60, 80};
    const TRun faulty = Download(server, target, killAt);

    std::printf("clean:   %s in %.2f s, %lld bytes on loopback\n", clean.Done ? "done" : qPrintable(clean.Failure),
                clean.Seconds, static_cast<long long>(clean.WireBytes));
    std::printf("outages: %s in %.2f s, %lld bytes on loopback, %zu outages\n",
                faulty.Done ? "done" : qPrintable(faulty.Failure), faulty.Seconds,
                static_cast<long long>(faulty.WireBytes), killAt.size());
    std::printf("wire bytes per outage beyond the clean run: %.0f\n",
                double(faulty.WireBytes - clean.WireBytes) / double(killAt.size()));
    // The resumed requests, as nginx logged them (the killed ones log nothing).
    qint64 served = 0;
    for (const QByteArray &line : server.Log()) {
        std::printf("  nginx: %s\n", line.constData());
        served += line.split(' ').value(3).toLongLong();
    }
    std::printf("bytes logged by nginx (clean run and resumes; killed requests log nothing): %lld, "
                "file %lld\n", static_cast<long long>(served), static_cast<long long>(FileBytes));
    for (const qint64 bytes : faulty.OnDiskAtFault)
        std::printf("on disk when the server died: %lld\n", static_cast<long long>(bytes));
    for (const double ms : faulty.ResumeDelays)
        std::printf("server listening again -> bytes flowing: %.0f ms\n", ms);
    return clean.Done && faulty.Done ? 0 : 1;
}
