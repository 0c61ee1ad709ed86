#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>
#include <memory>
#include <mutex>

class QObject;
struct AudioApi;

// A message the library's threads post to the engine window. The numbers
// are the engine's private message numbers.
class EngineEvent : public QEvent
{
public:
    enum Message : int {
        PlayEnd = 1131,
        Meta = 1134,
        Downloaded = 1135,
        DownloadFailed = 1141,
        Opened = 1140,
    };
    static QEvent::Type typeOf(Message message) { return QEvent::Type(int(QEvent::User) + int(message)); }

    EngineEvent(Message message, std::uint32_t channel, QString text = {})
        : QEvent(typeOf(message)), message(message), channel(channel), text(std::move(text)) {}
    // The outcome of an open attempt: the new channel (0 when creation failed).
    EngineEvent(std::uint64_t attempt, std::uint32_t channel)
        : QEvent(typeOf(Opened)), message(Opened), channel(channel), attempt(attempt) {}

    const Message message;
    // The decoding channel the library reported on; a message about a
    // channel that has since been closed is dropped.
    const std::uint32_t channel;
    const QString text;
    const std::uint64_t attempt = 0;
};

// The user data of every library sync. Callbacks post through it; the
// engine clears the target before its window goes away, and frees the
// mailbox only after the library is unloaded, so no callback can reach a
// destroyed object.
struct SyncMailbox
{
    // Guards target; held only for the post itself.
    std::mutex mutex;
    QObject *target = nullptr;
    // Set before the first sync and never changed; read by the metadata sync.
    const AudioApi *api = nullptr;

    void post(EngineEvent::Message message, std::uint32_t channel, QString text = {});
    void postOpened(std::uint64_t attempt, std::uint32_t channel);
    // On the receiving thread, before an event's fields are read. Qt's event
    // queue already orders the event's making before its delivery, but
    // through a futex of its own that a race checker cannot see; taking the
    // mutex the post was made under orders them for it too.
    void received();

private:
    void deliver(std::unique_ptr<EngineEvent> event);
};
