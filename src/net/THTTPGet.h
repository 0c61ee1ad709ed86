#pragma once

#include "NetTimeouts.h"
#include "THTTPOutcome.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

class THTTPGetThread;

// One HTTP request at a time on a worker thread; the outcome comes back as
// exactly one of OnDoneFile, OnDoneString or OnError on the thread that owns
// the component (the user-interface thread). Properties are plain fields:
// a running request works on copies taken at its start. Any number of
// listeners may connect. One that follows a single request connects right
// before starting it on a component that is idle or just aborted (else the
// start is ignored and it would hear the running request), and disconnects
// when the outcome arrives; an aborted request that a new one supersedes is
// never heard of again, so its listener goes with the abort.
class THTTPGet : public QObject
{
    Q_OBJECT

public:
    explicit THTTPGet(QObject *parent = nullptr);
    // Aborts a running request without waiting for it; no event reaches the
    // destroyed component.
    ~THTTPGet() override;

    QByteArray AcceptTypes = "*/*";
    QByteArray Agent = "Brightloom HTTPGet";
    bool BinaryData = false;
    QByteArray URL;
    bool UseCache = false;
    QString FileName;
    QByteArray UserName;
    QByteArray Password;
    QByteArray PostQuery;
    QByteArray Referer;
    bool WaitThread = false;
    // A request that cannot connect within ConnectTimeoutMs, or receives
    // nothing for StallTimeoutMs (checked about once a second), ends with OnError.
    int ConnectTimeoutMs = NetTimeouts::ConnectMs;
    int StallTimeoutMs = NetTimeouts::StallMs;
    // File mode: when > 0, the first ResumeFrom bytes of FileName are kept and
    // only the rest is asked for (Range, with If-Range when IfRange is set). A
    // 206 for exactly that range is appended; a 200 (the resource changed)
    // rewrites the file from its start; any other reply fails and leaves the
    // file untouched. Progress and OnDoneFile then count the whole file.
    qint64 ResumeFrom = 0;
    QByteArray IfRange;
    // File mode: only a 200 (or the 206 a resume asked for) that is not a web
    // page is written, anything else fails before the file is touched; the
    // file is tagged with the URL and the reply's validator (PartialFileTag).
    bool Resumable = false;

    // Both do nothing while a request runs. After Abort they start the new
    // request at once; the aborted one then delivers no event at all.
    void GetFile();
    void GetString();
    // Marks the running request failed and asks it to stop; returns at once.
    // Unless a new request follows, the aborted one still ends with OnError.
    void Abort();
    bool IsBusy() const;
    // What the last request that reached its completion found out.
    const THTTPOutcome &Outcome() const { return FOutcome; }

    // Initialises libcurl once per process; main calls it before any thread
    // starts. Later calls do nothing.
    static void GlobalInit();
    // Requests of all components whose worker has not finished yet (also
    // those detached from a destroyed component).
    static int RunningWorkers();
    // Waits at most milliseconds until every worker has finished, aborted
    // ones included (the program's end: what a download received so far
    // must reach its file). True when none runs any more.
    static bool WaitForWorkers(int milliseconds);

signals:
    // After each block received; totalSize is 0 while the length is unknown.
    void OnProgress(int totalSize, int readed);
    void OnDoneFile(const QString &fileName, int fileSize);
    void OnDoneString(const QByteArray &result);
    void OnError();

protected:
    // Progress and completion posted by the worker.
    void customEvent(QEvent *event) override;

private:
    void Start(bool fileMode);
    // The progress step: the newest counts the worker has, unless it was aborted.
    void Progress(THTTPGetThread &worker);
    // The completion step, run on the owner's thread after the worker's last step.
    void Complete();

    // Owner's thread only: set by Start, cleared by the completion step or
    // the destructor. A running worker also keeps itself alive, so clearing
    // this never waits for it.
    std::shared_ptr<THTTPGetThread> FWorker;
    // Owner's thread only: copied from the worker by the completion step.
    THTTPOutcome FOutcome;
};
