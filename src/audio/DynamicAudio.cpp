#include "DynamicAudio.h"

#include <QFile>

#include <dlfcn.h>

DynamicAudio::~DynamicAudio()
{
    unload();
}

bool DynamicAudio::load(const QString &folder)
{
    if (handle_)
        return true;
    const QByteArray path = folder.isEmpty()
        ? QByteArray(kLibraryName)
        : QFile::encodeName(folder + QLatin1Char('/') + QLatin1String(kLibraryName));
    void *handle = dlopen(path.constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return false;

    AudioApi api;
    bool complete = true;
#define SONARO_AUDIO_BIND(name) \
    api.name = reinterpret_cast<decltype(api.name)>(dlsym(handle, "AUDIO_" #name)); \
    complete = complete && api.name != nullptr;
    SONARO_AUDIO_CALLS(SONARO_AUDIO_BIND)
#undef SONARO_AUDIO_BIND

    if (!complete) {
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    api_ = api;
    return true;
}

void DynamicAudio::unload()
{
    if (!handle_)
        return;
    api_.Free();
    dlclose(handle_);
    handle_ = nullptr;
    api_ = AudioApi();
}
