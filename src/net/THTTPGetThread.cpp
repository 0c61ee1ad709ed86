#include "THTTPGetThread.h"

#include "HttpHead.h"
#include "HttpUrl.h"
#include "PartialFileTag.h"
#include "PercentEncoding.h"
#include "TCurlEasy.h"
#include "THTTPWorkerPool.h"

#include <QFile>
#include <QCoreApplication>
#include <QEvent>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>

std::atomic<int> THTTPGetThread::FRunning{0};

namespace {

// "bytes a-b/t" of a 206: a and t (t = -1 when given as "*").
bool ParseContentRange(const QByteArray &value, qint64 &first, qint64 &total)
{
    const QByteArray text = value.trimmed();
    if (!text.startsWith("bytes "))
        return false;
    const qsizetype dash = text.indexOf('-');
    const qsizetype slash = text.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok = false;
    first = text.mid(6, dash - 6).trimmed().toLongLong(&ok);
    if (!ok || first < 0)
        return false;
    const QByteArray t = text.mid(slash + 1).trimmed();
    total = t == "*" ? -1 : t.toLongLong(&ok);
    return t == "*" || (ok && total >= 0);
}

// A body that opens like an HTML page (after any white space).
bool LooksLikeHtml(const char *data, size_t size)
{
    QByteArray head = QByteArray(data, qsizetype(std::min<size_t>(size, 64))).trimmed().toLower();
    return head.startsWith("<!doctype html") || head.startsWith("<html");
}

// What a worker posts to its owner: the kind, and which worker sent it, so
// that a late event of a replaced worker is told from the current one's
// (by serial number: a freed worker's address may be reused).
class TWorkerEvent : public QEvent
{
public:
    TWorkerEvent(Type type, std::uint64_t worker)
        : QEvent(type)
        , Worker(worker)
    {
    }
    const std::uint64_t Worker;
};

std::atomic<std::uint64_t> NextSerial{1};

} // namespace

THTTPGetThread::THTTPGetThread(THTTPRequest request, THTTPGet *owner)
    : FRequest(std::move(request))
    , FSerial(NextSerial.fetch_add(1))
    , FOwner(owner)
{
}

THTTPGetThread::~THTTPGetThread() = default;

std::shared_ptr<THTTPGetThread> THTTPGetThread::Start(THTTPRequest request, THTTPGet *owner)
{
    auto worker = std::make_shared<THTTPGetThread>(std::move(request), owner);
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
    if (Stopped())
        return false;
    if (!target || !HttpUrl::IsPlainHost(target->Host))
        return Fail(THTTPOutcome::TFailure::Address);

    easy.Set(CURLOPT_URL, QByteArray("http://" + target->Host + "/").constData());
    easy.Set(CURLOPT_REQUEST_TARGET, PercentEncoding::encodeRequestTarget(target->Path).constData());
    easy.Set(CURLOPT_PORT, long(target->Port));
    easy.Set(CURLOPT_PROTOCOLS_STR, "http");
    easy.Set(CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
    easy.Set(CURLOPT_PROXY, "");
    easy.Set(CURLOPT_NOSIGNAL, 1L);
    easy.Set(CURLOPT_FORBID_REUSE, 1L);
    easy.Set(CURLOPT_CONNECTTIMEOUT_MS, long(std::max(1, FRequest.ConnectTimeoutMs)));
    // The no-progress timeout is watched by the progress callback.
    FLastActivity = std::chrono::steady_clock::now();
    if (FRequest.FileMode && FRequest.ResumeFrom > 0) {
        easy.AddHeader("Range: bytes=" + QByteArray::number(FRequest.ResumeFrom) + "-");
        if (!FRequest.IfRange.isEmpty())
            easy.AddHeader("If-Range: " + HttpUrl::HeaderValue(FRequest.IfRange));
    }
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
    if (FBodyFailed)
        return false; // the reason was noted where the body was refused
    if (rc == CURLE_OPERATION_TIMEDOUT || FStalled)
        FFailure = THTTPOutcome::TFailure::Stalled;
    else if (rc == CURLE_COULDNT_CONNECT || rc == CURLE_COULDNT_RESOLVE_HOST)
        FFailure = THTTPOutcome::TFailure::Connect;
    else if (rc != CURLE_OK || !FHead.Done)
        FFailure = THTTPOutcome::TFailure::Transport;

    // No response at all (no server, refused, nothing sent back) is a
    // failure, never an empty download.
    if (Stopped() || FBodyFailed || !FHead.Done)
        return false;
    if (!FBodyPrepared && !PrepareBody(nullptr, 0))
        return false;
    if (FFile) {
        const bool written = FFile->flush();
        FFile->close();
        if (!written)
            return Fail(THTTPOutcome::TFailure::File);
    }
    if (FFailure == THTTPOutcome::TFailure::Other)
        FFailure = THTTPOutcome::TFailure::Transport; // should the length not check out
    if (FRequest.FileMode && !FHead.HasContentLength && FReceived > 0)
        return Fail(THTTPOutcome::TFailure::NoLength);
    if (FRequest.FileMode)
        return FReceived == FHead.ContentLength;
    // A body cut short (reset, or fewer bytes than announced) is not a reply.
    return FReceived > 0 && rc == CURLE_OK && (!FHead.HasContentLength || FReceived == FHead.ContentLength);
}

bool THTTPGetThread::Fail(THTTPOutcome::TFailure failure)
{
    FFailure = failure;
    return false;
}

int THTTPGetThread::FileLength() const
{
    return int(std::min<qint64>(FBodyOffset + FHead.ContentLength, INT_MAX));
}

QByteArray THTTPGetThread::Validator() const
{
    // A weak ETag may not be sent in If-Range.
    return !FHead.ETag.isEmpty() && !FHead.ETag.startsWith("W/") ? FHead.ETag : FHead.LastModified;
}

THTTPOutcome THTTPGetThread::Outcome() const
{
    THTTPOutcome outcome;
    outcome.Failure = FSuccess ? THTTPOutcome::TFailure::None : FFailure;
    outcome.Status = FHead.Status;
    outcome.Validator = Validator();
    outcome.BodyOffset = FBodyOffset;
    outcome.TotalLength = FTotalLength;
    if (FHead.Status == 416) {
        qint64 first = 0;
        qint64 total = -1;
        // "bytes */t": how long the resource really is.
        const QByteArray range = FHead.ContentRange.trimmed();
        if (range.startsWith("bytes */"))
            outcome.TotalLength = range.mid(8).toLongLong();
        else if (ParseContentRange(range, first, total))
            outcome.TotalLength = total;
    }
    return outcome;
}

bool THTTPGetThread::PrepareBody(const char *data, size_t size)
{
    FBodyPrepared = true;
    if (Stopped() || FHead.BadContentLength)
        return false;
    if (!FHead.HasContentLength && FRequest.BinaryData)
        return false;
    FReceived = 0;
    FBodyOffset = 0;
    FTotalLength = FHead.HasContentLength ? FHead.ContentLength : -1;
    if (!FRequest.FileMode) {
        FResult.clear();
        return true;
    }
    const qint64 resumeFrom = FRequest.ResumeFrom;
    // Every check comes before the file is opened: a reply that is no use
    // must not cost the bytes already on disk.
    if (resumeFrom > 0 || FRequest.Resumable) {
        if (resumeFrom > 0 && FHead.Status == 206) {
            qint64 first = 0;
            qint64 total = -1;
            if (!ParseContentRange(FHead.ContentRange, first, total) || first != resumeFrom)
                return Fail(THTTPOutcome::TFailure::Range);
            FBodyOffset = resumeFrom;
            FTotalLength = total >= 0 ? total : (FHead.HasContentLength ? resumeFrom + FHead.ContentLength : -1);
        } else if (FHead.Status != 200) {
            return Fail(THTTPOutcome::TFailure::Status);
        }
        if (FRequest.Resumable && (FHead.ContentType.startsWith("text/html") || LooksLikeHtml(data, size)))
            return Fail(THTTPOutcome::TFailure::Html);
    }
    FFile = std::make_unique<QFile>(FRequest.FileName);
    if (FBodyOffset > 0) {
        // Keep exactly the bytes the range continues.
        if (!FFile->open(QIODevice::ReadWrite) || FFile->size() < FBodyOffset || !FFile->resize(FBodyOffset)
            || !FFile->seek(FBodyOffset))
            return Fail(THTTPOutcome::TFailure::File);
    } else if (!FFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return Fail(THTTPOutcome::TFailure::File);
    }
    if (FRequest.Resumable) {
        PartialFileTag tag;
        tag.Url = FRequest.URL;
        tag.Validator = Validator();
        PartialFileTag::Write(FRequest.FileName, tag); // without the tag only a later resume is lost
    }
    return true;
}

bool THTTPGetThread::TakeBlock(const char *data, size_t size)
{
    if (!FBodyPrepared && !PrepareBody(data, size))
        return false;
    if (Stopped())
        return false;
    if (FRequest.FileMode) {
        if (!FFile || FFile->write(data, qint64(size)) != qint64(size))
            return Fail(THTTPOutcome::TFailure::File);
    } else {
        if (FReceived + qint64(size) > MaxStringSize)
            return false;
        FResult.append(data, qsizetype(size));
    }
    FReceived += qint64(size);
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

int THTTPGetThread::ProgressCallback(void *self, curl_off_t, curl_off_t dlnow, curl_off_t, curl_off_t ulnow)
{
    auto *worker = static_cast<THTTPGetThread *>(self);
    if (worker->Stopped())
        return 1;
    // curl calls this at least about once a second, also while nothing moves.
    const auto now = std::chrono::steady_clock::now();
    if (dlnow != worker->FLastDown || ulnow != worker->FLastUp) {
        worker->FLastDown = dlnow;
        worker->FLastUp = ulnow;
        worker->FLastActivity = now;
    } else if (now - worker->FLastActivity >= std::chrono::milliseconds(std::max(1, worker->FRequest.StallTimeoutMs))) {
        worker->FStalled = true;
        return 1;
    }
    return 0;
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
        QCoreApplication::postEvent(FOwner, std::make_unique<TWorkerEvent>(type, FSerial).release());
}

void THTTPGetThread::PostProgress()
{
    // A resumed file counts from its start; a length-less reply stays 0.
    const qint64 total = FHead.HasContentLength ? std::min<qint64>(FBodyOffset + FHead.ContentLength, INT_MAX) : 0;
    const auto readed = static_cast<std::uint32_t>(std::min<qint64>(FBodyOffset + FReceived, INT_MAX));
    FProgressValue.store((std::uint64_t(static_cast<std::uint32_t>(total)) << 32) | readed, std::memory_order_release);
    if (FProgressQueued.exchange(true, std::memory_order_acq_rel))
        return; // the queued step will pick up the newest value
    std::lock_guard lock(FLock);
    PostToOwner(ProgressEvent());
}

bool THTTPGetThread::TakeProgress(int &totalSize, int &readed)
{
    FProgressQueued.exchange(false, std::memory_order_acq_rel);
    const std::uint64_t value = FProgressValue.load(std::memory_order_acquire);
    if (Stopped())
        return false;
    totalSize = static_cast<int>(value >> 32);
    readed = static_cast<int>(value & 0xFFFFFFFFu);
    return true;
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
    if (event->type() != ProgressEvent() && event->type() != CompletionEvent())
        return TDelivery::None;
    if (static_cast<const TWorkerEvent *>(event)->Worker != FSerial)
        return TDelivery::None;
    if (event->type() == ProgressEvent())
        return TDelivery::Progress;
    if (event->type() == CompletionEvent() && std::exchange(FFinished, false))
        return TDelivery::Completion;
    return TDelivery::None;
}
