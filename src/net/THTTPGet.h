#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class THTTPGetThread;

// One HTTP request at a time on a worker thread; the outcome comes back as
// exactly one of OnDoneFile, OnDoneString or OnError on the thread that owns
// the component (the user-interface thread). Properties are plain fields:
// a running request works on copies taken at its start.
class THTTPGet : public QObject
{
    Q_OBJECT

public:
    using TOnProgressEvent = std::function<void(int totalSize, int readed)>;
    using TOnDoneFileEvent = std::function<void(const QString &fileName, int fileSize)>;
    using TOnDoneStringEvent = std::function<void(const QByteArray &result)>;
    using TNotifyEvent = std::function<void()>;

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

    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    TNotifyEvent OnError;

    // Both do nothing while a worker still exists (also after Abort, until
    // the aborted request has ended).
    void GetFile();
    void GetString();
    // Marks the running request failed and asks it to stop; returns at once.
    void Abort();
    bool IsBusy() const;

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

protected:
    // Progress and completion posted by the worker.
    void customEvent(QEvent *event) override;

private:
    void Start(bool fileMode);
    // The completion step, run on the owner's thread after the worker's last step.
    void Complete();

    // Owner's thread only: set by Start, cleared by the completion step or
    // the destructor. A running worker also keeps itself alive, so clearing
    // this never waits for it.
    std::shared_ptr<THTTPGetThread> FWorker;
};
