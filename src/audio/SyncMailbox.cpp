#include "SyncMailbox.h"

#include <QCoreApplication>

void SyncMailbox::post(EngineEvent::Message message, std::uint32_t channel, QString text)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (target)
        QCoreApplication::postEvent(target, new EngineEvent(message, channel, std::move(text)));
}

void SyncMailbox::postOpened(std::uint64_t attempt, std::uint32_t channel)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (target)
        QCoreApplication::postEvent(target, new EngineEvent(attempt, channel));
}
