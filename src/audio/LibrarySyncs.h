#pragma once

#include "sonaroaudio.h"

// The library's sync callbacks the engine sets, each with a SyncMailbox as
// its user data. They run on the library's threads and only post.
namespace LibrarySyncs {

void atEnd(AUDIO_HANDLE sync, AUDIO_HANDLE channel, uintptr_t data, void *mailbox);
// data: AUDIO_OK when the download is complete, else why it failed.
void atDownloadEnd(AUDIO_HANDLE sync, AUDIO_HANDLE channel, uintptr_t data, void *mailbox);
// data: the metadata text.
void atMeta(AUDIO_HANDLE sync, AUDIO_HANDLE channel, uintptr_t data, void *mailbox);

} // namespace LibrarySyncs
