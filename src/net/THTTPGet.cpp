#include "THTTPGet.h"

#include "THTTPWorkerPool.h"

#include "THTTPGetThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <curl/curl.h>

#include <algorithm>
#include <exception>
#include <mutex>

THTTPGet::THTTPGet(QObject *parent)
    : QObject(parent)
{
}

THTTPGet::~THTTPGet()
{
    if (FWorker) {
        // Detach first: once it returns, the worker posts nothing more, and
        // what it posted before dies with this object's posted events.
        FWorker->Detach();
        FWorker->Abort();
        FWorker.reset();
    }
}

void THTTPGet::GlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            qWarning("THTTPGet: curl_global_init failed");
    });
}

bool THTTPGet::WaitForWorkers(int milliseconds)
{
    return THTTPWorkerPool::WaitUntilIdle(std::chrono::milliseconds(milliseconds));
}

int THTTPGet::RunningWorkers()
{
    return THTTPGetThread::Running();
}

void THTTPGet::GetFile()
{
    Start(true);
}

void THTTPGet::GetString()
{
    Start(false);
}

void THTTPGet::Abort()
{
    if (FWorker)
        FWorker->Abort();
}

bool THTTPGet::IsBusy() const
{
    return FWorker != nullptr;
}

void THTTPGet::Start(bool fileMode)
{
    if (FWorker) {
        if (!FWorker->Stopped())
            return;
        // Aborted but still winding down (blocked in a connect or a read):
        // the user's new command must not wait for it, and its outcome no
        // longer concerns anybody.
        FWorker->Detach();
        FWorker.reset();
    }
    GlobalInit();
    THTTPRequest request;
    request.AcceptTypes = AcceptTypes;
    request.Agent = Agent;
    request.URL = URL;
    request.FileName = FileName;
    request.UserName = UserName;
    request.Password = Password;
    request.PostQuery = PostQuery;
    request.Referer = Referer;
    request.BinaryData = BinaryData;
    request.UseCache = UseCache;
    request.FileMode = fileMode;
    request.ConnectTimeoutMs = ConnectTimeoutMs;
    request.StallTimeoutMs = StallTimeoutMs;
    request.ResumeFrom = fileMode ? std::max<qint64>(0, ResumeFrom) : 0;
    request.IfRange = IfRange;
    request.Resumable = Resumable;
    FWorker = THTTPGetThread::Start(std::move(request), this);

    if (WaitThread) {
        // A listener may destroy this component or start the next request.
        const QPointer<THTTPGet> alive(this);
        const std::shared_ptr<THTTPGetThread> worker = FWorker;
        while (alive && FWorker == worker)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void THTTPGet::customEvent(QEvent *event)
{
    // Events arrive in the order posted: any progress, then one completion.
    // The local reference keeps the worker alive should a listener destroy this component.
    const std::shared_ptr<THTTPGetThread> worker = FWorker;
    if (!worker)
        return;
    switch (worker->Receive(event)) {
    case THTTPGetThread::TDelivery::Progress:
        Progress(*worker);
        break;
    case THTTPGetThread::TDelivery::Completion:
        Complete();
        break;
    case THTTPGetThread::TDelivery::None:
        break;
    }
}

namespace {

// A listener's exception ends at the emit: the component stays usable.
template <typename Emit>
void guarded(const char *event, Emit emitEvent)
{
    try {
        emitEvent();
    } catch (const std::exception &e) {
        qWarning("THTTPGet: %s listener failed: %s", event, e.what());
    } catch (...) {
        qWarning("THTTPGet: %s listener failed", event);
    }
}

} // namespace

void THTTPGet::Progress(THTTPGetThread &worker)
{
    int totalSize = 0;
    int readed = 0;
    if (worker.TakeProgress(totalSize, readed))
        guarded("progress", [&] { emit OnProgress(totalSize, readed); });
}

void THTTPGet::Complete()
{
    // Idle before any listener runs, so that a listener that throws or starts
    // the next request finds the component free.
    const std::shared_ptr<THTTPGetThread> worker = std::move(FWorker);
    FWorker.reset();
    const bool success = worker->Succeeded() && !worker->Stopped();
    FOutcome = worker->Outcome();
    if (success)
        FOutcome.Failure = THTTPOutcome::TFailure::None;
    else if (worker->Stopped())
        FOutcome.Failure = THTTPOutcome::TFailure::Aborted;
    guarded("event", [&] {
        if (!success)
            emit OnError();
        else if (worker->FileMode())
            emit OnDoneFile(worker->FileName(), worker->FileLength());
        else
            emit OnDoneString(worker->TakeResult());
    });
}
