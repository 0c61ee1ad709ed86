#include "THTTPGet.h"

#include "THTTPWorkerPool.h"

#include "THTTPGetThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>

#include <curl/curl.h>

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
    if (FWorker)
        return;
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
    FWorker = THTTPGetThread::Start(std::move(request), this, OnProgress);

    if (WaitThread) {
        // A handler may destroy this component or start the next request.
        const QPointer<THTTPGet> alive(this);
        const std::shared_ptr<THTTPGetThread> worker = FWorker;
        while (alive && FWorker == worker)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void THTTPGet::customEvent(QEvent *event)
{
    // Events arrive in the order posted: any progress, then one completion.
    // The local reference keeps the worker alive should a handler destroy this component.
    const std::shared_ptr<THTTPGetThread> worker = FWorker;
    if (!worker)
        return;
    switch (worker->Receive(event)) {
    case THTTPGetThread::TDelivery::Progress:
        worker->DeliverProgress();
        break;
    case THTTPGetThread::TDelivery::Completion:
        Complete();
        break;
    case THTTPGetThread::TDelivery::None:
        break;
    }
}

void THTTPGet::Complete()
{
    // Idle before any handler runs, so that a handler that throws or starts
    // the next request finds the component free.
    const std::shared_ptr<THTTPGetThread> worker = std::move(FWorker);
    FWorker.reset();
    const bool success = worker->Succeeded() && !worker->Stopped();
    try {
        if (!success) {
            if (OnError)
                OnError();
        } else if (worker->FileMode()) {
            if (OnDoneFile)
                OnDoneFile(worker->FileName(), worker->ContentLength());
        } else if (OnDoneString) {
            OnDoneString(worker->TakeResult());
        }
    } catch (const std::exception &e) {
        qWarning("THTTPGet: event handler failed: %s", e.what());
    } catch (...) {
        qWarning("THTTPGet: event handler failed");
    }
}
