#pragma once

#include "DownloadTimings.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

class THTTPGet;

// One file download that survives network faults: the bytes go to
// "<file>.part", which becomes <file> only when the whole announced length
// is there. A fault or a stall is retried a few times with growing pauses,
// each time asking for the rest of the file only (Range, If-Range), and
// the count starts over whenever bytes not had before arrive; a
// server whose file changed meanwhile sends it whole and the download starts
// over. Then the download fails until Retry. The partial file is never
// deleted, and a later download of the same URL to the same file resumes it.
// Runs on the thread that owns it; every event comes from its event loop.
class DownloadTransfer : public QObject
{
    Q_OBJECT

public:
    DownloadTransfer(QByteArray url, QString file, DownloadTimings timings = {});
    ~DownloadTransfer() override;

    static QString PartName(const QString &file) { return file + QStringLiteral(".part"); }

    // Begins, resuming the partial file when it belongs to this URL.
    void Start();
    // After OnFailed: the same, with a fresh set of automatic retries.
    void Retry();
    // Ends the transfer at once; the partial file stays. No event follows.
    void Stop();

    // Requests made so far (first, retried and resumed).
    int Requests() const { return FRequests; }

signals:
    // total is 0 while the length is unknown; have counts the whole file.
    void OnProgress(int total, int have);
    void OnDone(int fileSize);
    // A fault that is being retried: a short status for the user.
    void OnRetrying(const QString &status);
    void OnFailed(const QString &message);

private:
    void Request();
    void Progress(int total, int have);
    void DoneFile(int fileSize);
    void Error();
    void Finish(qint64 size);
    void Fault(const QString &message, bool retryable);

    const QByteArray FUrl;
    const QString FFile;
    const DownloadTimings FTimings;
    std::unique_ptr<THTTPGet> FHTTPGet;
    QTimer FRetryTimer;
    int FAttempt = 0; // automatic retries since the last start or new bytes
    qint64 FHighWater = 0; // the most of the file there ever was
    int FRequests = 0;
    QByteArray FValidator; // of the bytes in the partial file
    bool FStopped = false;
    bool FWrotePart = false; // a body of ours reached the partial file
};
