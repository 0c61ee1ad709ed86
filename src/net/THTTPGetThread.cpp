#include "THTTPGetThread.h"

#include "HttpHead.h"
#include "HttpUrl.h"
#include "TCurlEasy.h"
#include "THTTPWorkerPool.h"

#include <QFile>
#include <QCoreApplication>
#include <QEvent>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <climits>

std::atomic<int> THTTPGetThread::FRunning{0};

THTTPGetThread::THTTPGetThread(THTTPRequest request, THTTPGet *owner, THTTPGet::TOnProgressEvent onProgress)
    : FRequest(std::move(request))
    , FOnProgress(std::move(onProgress))
    , FOwner(owner)
{
}

THTTPGetThread::~THTTPGetThread() = default;

std::shared_ptr<THTTPGetThread> THTTPGetThread::Start(THTTPRequest request, THTTPGet *owner,
                                                      THTTPGet::TOnProgressEvent onProgress)
{
    auto worker = std::make_shared<THTTPGetThread>(std::move(request), owner, std::move(onProgress));
    ++FRunning;
    try {
        THTTPWorkerPool::Run([worker](TCurlEasy &easy) { worker->Run(easy); });
    } catch (...) {
        // No thread to run it: the request fails like any other.
        --FRunning;
        worker->FSuccess = false;
        worker->PostCompletion();
    }
    return worker;
}

void THTTPGetThread::Abort()
{
    FStop.store(true, std::memory_order_release);
    std::lock_guard lock(FLock);
    // shutdown, not close: the descriptor stays curl's until its close callback.
    for (const int socket : FSockets)
        ::shutdown(socket, SHUT_RDWR);
}

void THTTPGetThread::Detach()
{
    std::lock_guard lock(FLock);
    FOwner = nullptr;
}

void THTTPGetThread::Run(TCurlEasy &easy)
{
    try {
        FSuccess = Transfer(easy);
    } catch (...) {
        // Unreadable length, unwritable file, refused option, no memory: all
        // end the request as failed.
        FSuccess = false;
    }
    if (FFile)
        FFile->close();
    FFile.reset();
    PostCompletion();
    --FRunning;
}

bool THTTPGetThread::Transfer(TCurlEasy &easy)
{
    const auto target = HttpUrl::Split(FRequest.URL);
    if (Stopped() || !target || !HttpUrl::IsPlainHost(target->Host))
        return false;

    easy.Set(CURLOPT_URL, QByteArray("http://" + target->Host + "/").constData());
    easy.Set(CURLOPT_REQUEST_TARGET, HttpUrl::EncodeRequestTarget(target->Path).constData());
    easy.Set(CURLOPT_PORT, 80L);
    easy.Set(CURLOPT_PROTOCOLS_STR, "http");
    easy.Set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    easy.Set(CURLOPT_PROXY, "");
    easy.Set(CURLOPT_NOSIGNAL, 1L);
    easy.Set(CURLOPT_FORBID_REUSE, 1L);
    if (!FRequest.Agent.isEmpty())
        easy.Set(CURLOPT_USERAGENT, HttpUrl::HeaderValue(FRequest.Agent).constData());
    if (!FRequest.Referer.isEmpty())
        easy.Set(CURLOPT_REFERER, HttpUrl::HeaderValue(FRequest.Referer).constData());
    if (!FRequest.UserName.isEmpty() || !FRequest.Password.isEmpty()) {
        easy.Set(CURLOPT_USERNAME, FRequest.UserName.constData());
        easy.Set(CURLOPT_PASSWORD, FRequest.Password.constData());
    }

    const QByteArray accept = HttpUrl::HeaderValue(FRequest.AcceptTypes);
    // "Name;" is curl's way to send a header with an empty value.
    easy.AddHeader(accept.isEmpty() ? QByteArray("Accept;") : "Accept: " + accept);
    if (!FRequest.UseCache) {
        easy.AddHeader("Cache-Control: no-cache");
        easy.AddHeader("Pragma: no-cache");
    }
    easy.AddHeader("Expect:");
    if (!FRequest.PostQuery.isEmpty()) {
        easy.AddHeader("Content-Type: application/x-www-form-urlencoded");
        easy.Set(CURLOPT_POST, 1L);
        easy.Set(CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(FRequest.PostQuery.size()));
        easy.Set(CURLOPT_COPYPOSTFIELDS, FRequest.PostQuery.constData());
    }

    if (FRequest.FileMode) // large blocks: fewer callbacks and writes for a file
        easy.Set(CURLOPT_BUFFERSIZE, 512L * 1024L);
    easy.Set(CURLOPT_HEADERFUNCTION, &THTTPGetThread::HeaderCallback);
    easy.Set(CURLOPT_HEADERDATA, this);
    easy.Set(CURLOPT_WRITEFUNCTION, &THTTPGetThread::WriteCallback);
    easy.Set(CURLOPT_WRITEDATA, this);
    easy.Set(CURLOPT_NOPROGRESS, 0L);
    easy.Set(CURLOPT_XFERINFOFUNCTION, &THTTPGetThread::ProgressCallback);
    easy.Set(CURLOPT_XFERINFODATA, this);
    easy.Set(CURLOPT_OPENSOCKETFUNCTION, &THTTPGetThread::OpenSocketCallback);
    easy.Set(CURLOPT_OPENSOCKETDATA, this);
    easy.Set(CURLOPT_CLOSESOCKETFUNCTION, &THTTPGetThread::CloseSocketCallback);
    easy.Set(CURLOPT_CLOSESOCKETDATA, this);

    const CURLcode rc = easy.Perform();

    // No response at all (no server, refused, nothing sent back) is a
    // failure, never an empty download.
    if (Stopped() || FBodyFailed || !FHead.Done)
        return false;
    if (!FBodyPrepared && !PrepareBody())
        return false;
    if (FFile) {
        const bool written = FFile->flush();
        FFile->close();
        if (!written)
            return false;
    }
    if (FRequest.FileMode)
        return FReceived == FHead.ContentLength;
    // A body cut short (reset, or fewer bytes than announced) is not a reply.
    return FReceived > 0 && rc == CURLE_OK && (!FHead.HasContentLength || FReceived == FHead.ContentLength);
}

bool THTTPGetThread::PrepareBody()
{
    FBodyPrepared = true;
    if (Stopped() || FHead.BadContentLength)
        return false;
    if (!FHead.HasContentLength && FRequest.BinaryData)
        return false;
    FReceived = 0;
    if (FRequest.FileMode) {
        FFile = std::make_unique<QFile>(FRequest.FileName);
        if (!FFile->open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
    } else {
        FResult.clear();
    }
    return true;
}

bool THTTPGetThread::TakeBlock(const char *data, size_t size)
{
    if (!FBodyPrepared && !PrepareBody())
        return false;
    if (Stopped())
        return false;
    if (FRequest.FileMode) {
        if (!FFile || FFile->write(data, qint64(size)) != qint64(size))
            return false;
    } else {
        if (FReceived + qint64(size) > MaxStringSize)
            return false;
        FResult.append(data, qsizetype(size));
    }
    FReceived += qint64(size);
    if (FOnProgress)
        PostProgress();
    return true;
}

size_t THTTPGetThread::HeaderCallback(char *data, size_t size, size_t count, void *self)
{
    auto *worker = static_cast<THTTPGetThread *>(self);
    const size_t bytes = size * count;
    HttpHead::TakeLine(worker->FHead, QByteArray(data, qsizetype(bytes)));
    return worker->Stopped() ? 0 : bytes;
}

size_t THTTPGetThread::WriteCallback(char *data, size_t size, size_t count, void *self)
{
    auto *worker = static_cast<THTTPGetThread *>(self);
    const size_t bytes = size * count;
    if (bytes == 0)
        return 0;
    try {
        if (worker->TakeBlock(data, bytes))
            return bytes;
    } catch (...) {
    }
    // Returning less than given makes curl end the transfer.
    worker->FBodyFailed = true;
    return 0;
}

int THTTPGetThread::ProgressCallback(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<THTTPGetThread *>(self)->Stopped() ? 1 : 0;
}

curl_socket_t THTTPGetThread::OpenSocketCallback(void *self, curlsocktype, struct curl_sockaddr *address)
{
    auto *worker = static_cast<THTTPGetThread *>(self);
    std::lock_guard lock(worker->FLock);
    if (worker->Stopped())
        return CURL_SOCKET_BAD;
    const int socket = ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (socket >= 0)
        worker->FSockets.push_back(socket);
    return socket >= 0 ? socket : CURL_SOCKET_BAD;
}

int THTTPGetThread::CloseSocketCallback(void *self, curl_socket_t socket)
{
    auto *worker = static_cast<THTTPGetThread *>(self);
    {
        std::lock_guard lock(worker->FLock);
        std::erase(worker->FSockets, socket);
    }
    return ::close(socket);
}

QEvent::Type THTTPGetThread::ProgressEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

QEvent::Type THTTPGetThread::CompletionEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void THTTPGetThread::PostToOwner(QEvent::Type type)
{
    // Caller holds FLock. The event carries nothing: the owner knows its
    // worker, and events left for a destroyed owner die with it.
    if (FOwner)
        QCoreApplication::postEvent(FOwner, std::make_unique<QEvent>(type).release());
}

void THTTPGetThread::PostProgress()
{
    const auto total = static_cast<std::uint32_t>(FHead.ContentLength);
    const auto readed = static_cast<std::uint32_t>(std::min<qint64>(FReceived, INT_MAX));
    FProgressValue.store((std::uint64_t(total) << 32) | readed, std::memory_order_release);
    if (FProgressQueued.exchange(true, std::memory_order_acq_rel))
        return; // the queued step will pick up the newest value
    std::lock_guard lock(FLock);
    PostToOwner(ProgressEvent());
}

void THTTPGetThread::DeliverProgress()
{
    FProgressQueued.exchange(false, std::memory_order_acq_rel);
    const std::uint64_t value = FProgressValue.load(std::memory_order_acquire);
    if (Stopped() || !FOnProgress)
        return;
    try {
        FOnProgress(static_cast<int>(value >> 32), static_cast<int>(value & 0xFFFFFFFFu));
    } catch (const std::exception &e) {
        qWarning("THTTPGet: progress handler failed: %s", e.what());
    } catch (...) {
        qWarning("THTTPGet: progress handler failed");
    }
}

void THTTPGetThread::PostCompletion()
{
    std::lock_guard lock(FLock);
    FFinished = true;
    PostToOwner(CompletionEvent());
}

THTTPGetThread::TDelivery THTTPGetThread::Receive(const QEvent *event)
{
    // The worker created and posted the event under FLock, so taking it here
    // orders that, and the worker's results, before what the owner reads.
    std::lock_guard lock(FLock);
    if (event->type() == ProgressEvent())
        return TDelivery::Progress;
    if (event->type() == CompletionEvent() && std::exchange(FFinished, false))
        return TDelivery::Completion;
    return TDelivery::None;
}
