#pragma once

#include "AudioApi.h"

#include <QString>

// Run-time binding of libsonaroaudio.so. A missing file or a missing call
// leaves nothing bound and reports false, without a message.
class DynamicAudio
{
public:
    static constexpr const char *kLibraryName = "libsonaroaudio.so";

    DynamicAudio() = default;
    // Unbinds (AUDIO_Free, then unload) when still bound.
    ~DynamicAudio();
    DynamicAudio(const DynamicAudio &) = delete;
    DynamicAudio &operator=(const DynamicAudio &) = delete;

    // Binds folder + "/libsonaroaudio.so"; an empty folder searches the
    // system's library path. Binding again while bound succeeds at once.
    bool load(const QString &folder);
    // Calls AUDIO_Free and unloads; nothing when not bound.
    void unload();

    bool loaded() const { return handle_ != nullptr; }
    const AudioApi &api() const { return api_; }

private:
    void *handle_ = nullptr;
    AudioApi api_;
};
