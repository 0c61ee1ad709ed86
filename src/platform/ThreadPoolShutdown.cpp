#include "ThreadPoolShutdown.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QThreadPool>

namespace {

// The name Qt gives its pool threads, as the kernel keeps it (15 bytes).
constexpr char PoolThreadName[] = "Thread (pooled)";

} // namespace

namespace ThreadPoolShutdown {

bool threadListed(const char *name)
{
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return true;
    }
    return false;
}

void waitUntilGone(const char *name, int milliseconds)
{
    const QDeadlineTimer deadline(milliseconds);
    while (threadListed(name) && !deadline.hasExpired())
        QThread::msleep(2);
}

void finish()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(0);
    pool->waitForDone();
    waitUntilGone(PoolThreadName, 2000);
}

} // namespace ThreadPoolShutdown
