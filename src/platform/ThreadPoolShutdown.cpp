#include "ThreadPoolShutdown.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QThreadPool>

namespace {

// The name Qt gives its pool threads, as the kernel keeps it (15 bytes).
constexpr char PoolThreadName[] = "Thread (pooled)";

bool poolThreadsListed()
{
    const QStringList tasks = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &task : tasks) {
        QFile comm(QStringLiteral("/proc/self/task/") + task + QStringLiteral("/comm"));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == PoolThreadName)
            return true;
    }
    return false;
}

} // namespace

namespace ThreadPoolShutdown {

void finish()
{
    QThreadPool *pool = QThreadPool::globalInstance();
    pool->setExpiryTimeout(0);
    pool->waitForDone();
    const QDeadlineTimer deadline(2000);
    while (poolThreadsListed() && !deadline.hasExpired())
        QThread::msleep(2);
}

} // namespace ThreadPoolShutdown
