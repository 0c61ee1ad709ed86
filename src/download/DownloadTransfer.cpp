#include "DownloadTransfer.h"

#include "PartialFileTag.h"
#include "THTTPGet.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>

DownloadTransfer::DownloadTransfer(QByteArray url, QString file, DownloadTimings timings)
    : FUrl(std::move(url))
    , FFile(std::move(file))
    , FTimings(timings)
{
    FRetryTimer.setSingleShot(true);
    connect(&FRetryTimer, &QTimer::timeout, this, [this] { Request(); });
}

// The fetcher's destructor aborts a running request; no event reaches us.
DownloadTransfer::~DownloadTransfer() = default;

void DownloadTransfer::Start()
{
    FStopped = false;
    FAttempt = 0;
    Request();
}

void DownloadTransfer::Retry()
{
    Start();
}

void DownloadTransfer::Stop()
{
    FStopped = true;
    FRetryTimer.stop();
    if (FHTTPGet) {
        FHTTPGet->disconnect(this);
        FHTTPGet->Abort();
        FHTTPGet.reset();
    }
}

void DownloadTransfer::Request()
{
    if (FStopped)
        return;
    const QString part = PartName(FFile);
    qint64 offset = 0;
    const QFileInfo info(part);
    if (info.exists()) {
        // Only bytes of this very address are continued; anything else is
        // written over.
        if (const std::optional<PartialFileTag> tag = PartialFileTag::Read(part); tag && tag->Url == FUrl) {
            offset = info.size();
            FValidator = tag->Validator;
        } else if (!tag && FWrotePart) {
            offset = info.size(); // ours, on a file system without tags
        }
    }
    if (!FHTTPGet) {
        FHTTPGet = std::make_unique<THTTPGet>();
        FHTTPGet->setObjectName(QStringLiteral("HTTPGet"));
        FHTTPGet->AcceptTypes = "*/*";
        FHTTPGet->Agent = "Sonaro Client";
        FHTTPGet->BinaryData = false;
        FHTTPGet->UseCache = true;
        FHTTPGet->WaitThread = false;
        FHTTPGet->Resumable = true;
        FHTTPGet->ConnectTimeoutMs = FTimings.ConnectMs;
        FHTTPGet->StallTimeoutMs = FTimings.StallMs;
        connect(FHTTPGet.get(), &THTTPGet::OnProgress, this, &DownloadTransfer::Progress);
        connect(FHTTPGet.get(), &THTTPGet::OnDoneFile, this,
                [this](const QString &, int fileSize) { DoneFile(fileSize); });
        connect(FHTTPGet.get(), &THTTPGet::OnError, this, &DownloadTransfer::Error);
    }
    FHTTPGet->Abort();
    FHTTPGet->URL = FUrl;
    FHTTPGet->FileName = part;
    FHTTPGet->ResumeFrom = offset;
    FHTTPGet->IfRange = offset > 0 ? FValidator : QByteArray();
    ++FRequests;
    FHTTPGet->GetFile();
}

void DownloadTransfer::Progress(int total, int have)
{
    FWrotePart = true;
    // Bytes never had before: the retries start afresh, so each brief
    // outage of a long download gets the whole set. A server that
    // sends nothing new (or the whole file anew each time) uses it up.
    if (have > FHighWater) {
        FHighWater = have;
        FAttempt = 0;
    }
    emit OnProgress(total, have);
}

void DownloadTransfer::DoneFile(int fileSize)
{
    const QString part = PartName(FFile);
    const qint64 onDisk = QFileInfo(part).size();
    const THTTPOutcome &outcome = FHTTPGet->Outcome();
    if (fileSize <= 0) {
        Fault(QStringLiteral("Server neposlal žádná data."), false);
        return;
    }
    if (onDisk != fileSize || (outcome.TotalLength >= 0 && outcome.TotalLength != onDisk)) {
        Fault(QStringLiteral("Stažená délka nesouhlasí s délkou ohlášenou serverem."), false);
        return;
    }
    Finish(onDisk);
}

void DownloadTransfer::Finish(qint64 size)
{
    const QString part = PartName(FFile);
    PartialFileTag::Clear(part);
    // rename(2) replaces an existing file of that name in one step; the user
    // agreed to that before the download began.
    if (std::rename(QFile::encodeName(part).constData(), QFile::encodeName(FFile).constData()) != 0) {
        Fault(QStringLiteral("Stažený soubor nelze přejmenovat na cílové jméno."), false);
        return;
    }
    // A file found complete without a transfer still shows its full share.
    emit OnProgress(int(size), int(size));
    emit OnDone(int(size));
}

void DownloadTransfer::Error()
{
    const THTTPOutcome &outcome = FHTTPGet->Outcome();
    if (!outcome.Validator.isEmpty())
        FValidator = outcome.Validator;
    using F = THTTPOutcome::TFailure;
    switch (outcome.Failure) {
    case F::None:
    case F::Aborted:
        return;
    case F::Connect:
        Fault(QStringLiteral("Server je nedostupný."), true);
        return;
    case F::Stalled:
        Fault(QStringLiteral("Server přestal odpovídat."), true);
        return;
    case F::Transport:
        Fault(QStringLiteral("Spojení se serverem se přerušilo."), true);
        return;
    case F::Address:
        Fault(QStringLiteral("Adresa souboru je neplatná."), false);
        return;
    case F::Other:
        Fault(QStringLiteral("Stahování selhalo."), false);
        return;
    case F::Status: {
        const qint64 onDisk = QFileInfo(PartName(FFile)).size();
        if (outcome.Status == 416 && outcome.TotalLength > 0 && outcome.TotalLength == onDisk) {
            Finish(onDisk); // everything had arrived before
            return;
        }
        if (outcome.Status == 416) {
            Fault(QStringLiteral("Server odmítl navázat na již stažená data (chyba 416)."), false);
            return;
        }
        Fault(QStringLiteral("Server odpověděl chybou %1.").arg(outcome.Status), outcome.Status >= 500);
        return;
    }
    case F::Html:
        Fault(QStringLiteral("Server poslal místo souboru webovou stránku."), false);
        return;
    case F::NoLength:
        Fault(QStringLiteral("Server neohlásil délku souboru, stažená data nelze ověřit."), false);
        return;
    case F::Range:
        Fault(QStringLiteral("Server poslal jinou část souboru, než o jakou byl požádán."), false);
        return;
    case F::File:
        Fault(QStringLiteral("Soubor %1 nelze zapsat.").arg(PartName(FFile)), false);
        return;
    }
}

void DownloadTransfer::Fault(const QString &message, bool retryable)
{
    if (retryable && FAttempt < FTimings.Retries) {
        const int delay = FTimings.FirstRetryMs << FAttempt;
        ++FAttempt;
        emit OnRetrying(QStringLiteral("%1 Zkouším znovu (%2/%3)...").arg(message).arg(FAttempt).arg(FTimings.Retries));
        FRetryTimer.start(delay);
        return;
    }
    emit OnFailed(message);
}
