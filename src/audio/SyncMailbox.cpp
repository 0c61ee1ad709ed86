#include "SyncMailbox.h"

#include <QCoreApplication>

void SyncMailbox::post(EngineEvent::Message message, std::uint32_t channel, QString text)
{
    deliver(std::make_unique<EngineEvent>(message, channel, std::move(text)));
}

void SyncMailbox::postOpened(std::uint64_t attempt, std::uint32_t channel)
{
    deliver(std::make_unique<EngineEvent>(attempt, channel));
}

void SyncMailbox::received()
{
    const std::lock_guard<std::mutex> lock(mutex);
}

void SyncMailbox::deliver(std::unique_ptr<EngineEvent> event)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (target)
        QCoreApplication::postEvent(target, event.release());
}
