#pragma once

#include "HttpHead.h"
#include "THTTPGet.h"

#include <curl/curl.h>

#include <QByteArray>
#include <QEvent>
#include <QString>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

class QFile;
class TCurlEasy;

// What a request works on: copies of the component's properties taken when it
// starts, so later changes to the component do not touch a running request.
struct THTTPRequest
{
    QByteArray AcceptTypes;
    QByteArray Agent;
    QByteArray URL;
    QString FileName;
    QByteArray UserName;
    QByteArray Password;
    QByteArray PostQuery;
    QByteArray Referer;
    bool BinaryData = false;
    bool UseCache = false;
    bool FileMode = false;
    int ConnectTimeoutMs = 0;
    int StallTimeoutMs = 0;
    qint64 ResumeFrom = 0;
    QByteArray IfRange;
    bool Resumable = false;
};

// One request, run by a thread of the worker pool. The worker keeps itself
// alive (shared_ptr held by the job) and ends on its own even when its
// component is gone; it reaches the component only through events posted
// while the component is still attached.
class THTTPGetThread : public std::enable_shared_from_this<THTTPGetThread>
{
public:
    // A string-mode body larger than this fails instead of growing further.
    static constexpr qint64 MaxStringSize = qint64(64) * 1024 * 1024;

    // Starts the worker; called on the owner's thread. Never throws: a thread
    // that cannot be started ends the request with failure.
    static std::shared_ptr<THTTPGetThread> Start(THTTPRequest request, THTTPGet *owner);

    // Asks the worker to stop and wakes a blocked read; any thread, returns at once.
    void Abort();
    // Detaches the worker from its owner: nothing is posted to it afterwards.
    void Detach();
    bool Stopped() const { return FStop.load(std::memory_order_acquire); }

    // The events a worker posts to its owner.
    static QEvent::Type ProgressEvent();
    static QEvent::Type CompletionEvent();
    // Owner's thread: the newest progress counts; false once aborted.
    bool TakeProgress(int &totalSize, int &readed);
    // Owner's thread: what a posted event asks for; Completion only once,
    // after the worker's last step; None for an event another worker posted.
    enum class TDelivery { None, Progress, Completion };
    TDelivery Receive(const QEvent *event);

    // Read by the completion step, after Receive returned Completion.
    bool Succeeded() const { return FSuccess; }
    bool FileMode() const { return FRequest.FileMode; }
    const QString &FileName() const { return FRequest.FileName; }
    int ContentLength() const { return FHead.ContentLength; }
    // The whole file's length: the body's offset in it plus the body's length.
    int FileLength() const;
    THTTPOutcome Outcome() const;
    QByteArray TakeResult() { return std::move(FResult); }

    // Requests not finished yet (all components together).
    static int Running() { return FRunning.load(); }

    THTTPGetThread(THTTPRequest request, THTTPGet *owner);
    ~THTTPGetThread();

private:
    void Run(TCurlEasy &easy);
    bool Transfer(TCurlEasy &easy);
    // data: the first block of the body, empty when the body is empty.
    bool PrepareBody(const char *data, size_t size);
    bool Fail(THTTPOutcome::TFailure failure);
    QByteArray Validator() const;
    bool TakeBlock(const char *data, size_t size);
    void PostProgress();
    void PostCompletion();
    void PostToOwner(QEvent::Type type);

    static size_t HeaderCallback(char *data, size_t size, size_t count, void *self);
    static size_t WriteCallback(char *data, size_t size, size_t count, void *self);
    static int ProgressCallback(void *self, curl_off_t, curl_off_t, curl_off_t, curl_off_t);
    static curl_socket_t OpenSocketCallback(void *self, curlsocktype purpose, struct curl_sockaddr *address);
    static int CloseSocketCallback(void *self, curl_socket_t socket);

    // Set at construction, read-only afterwards.
    const THTTPRequest FRequest;
    // Unique per worker in this process; tags the events it posts.
    const std::uint64_t FSerial;

    // Set by Abort (owner's thread), read by the worker at its checks.
    std::atomic<bool> FStop{false};

    // Guards FOwner, FSockets and FFinished. Held only for short, non-blocking steps.
    std::mutex FLock;
    // Owner's thread clears it (Detach); the worker posts to it under FLock.
    THTTPGet *FOwner;
    // Sockets curl has open for this request; Abort shuts them down so a
    // blocked wait returns at once.
    std::vector<int> FSockets;
    // Set by the worker when it posts the completion, taken by the owner.
    bool FFinished = false;

    // Latest progress (content length in the high half, bytes received in the
    // low half) and whether a progress step is already queued: the worker
    // posts at most one at a time and never waits for the owner's thread.
    std::atomic<std::uint64_t> FProgressValue{0};
    std::atomic<bool> FProgressQueued{false};

    // Worker thread only until the completion is posted; then the owner's
    // thread reads them (ordered by FLock through Receive).
    bool FSuccess = false;
    QByteArray FResult;
    HttpHead::TState FHead;
    bool FBodyPrepared = false;
    bool FBodyFailed = false;
    qint64 FReceived = 0;
    qint64 FBodyOffset = 0;
    qint64 FTotalLength = -1;
    THTTPOutcome::TFailure FFailure = THTTPOutcome::TFailure::Other;
    // The no-progress watch: byte counts seen last and when they last moved.
    curl_off_t FLastDown = 0;
    curl_off_t FLastUp = 0;
    std::chrono::steady_clock::time_point FLastActivity;
    bool FStalled = false;
    std::unique_ptr<QFile> FFile;

    // Raised by Start on an owner's thread, lowered by the worker after its
    // last post; any thread reads it.
    static std::atomic<int> FRunning;
};
