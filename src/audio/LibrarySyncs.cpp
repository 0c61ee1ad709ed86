#include "LibrarySyncs.h"

#include "StreamFacts.h"
#include "SyncMailbox.h"
#include "Windows1250.h"

namespace LibrarySyncs {

namespace {
SyncMailbox *mailboxOf(void *user)
{
    return static_cast<SyncMailbox *>(user);
}
} // namespace

void atEnd(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t, void *mailbox)
{
    mailboxOf(mailbox)->post(EngineEvent::PlayEnd, channel);
}

void atDownloadEnd(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t result, void *mailbox)
{
    mailboxOf(mailbox)->post(result == AUDIO_OK ? EngineEvent::Downloaded : EngineEvent::DownloadFailed, channel);
}

void atMeta(AUDIO_HANDLE, AUDIO_HANDLE channel, uintptr_t data, void *mailbox)
{
    SyncMailbox *box = mailboxOf(mailbox);
    const QByteArray title = StreamFacts::metaTitle(box->api, channel, reinterpret_cast<const char *>(data));
    box->post(EngineEvent::Meta, channel, Windows1250::decode(title));
}

} // namespace LibrarySyncs
