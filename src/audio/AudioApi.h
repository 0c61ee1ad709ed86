#pragma once

#include "sonaroaudio.h"

// The library's calls as bound at run time, one pointer each. Filled by
// DynamicAudio; every pointer is set once binding has succeeded.
struct AudioApi
{
#define SONARO_AUDIO_CALLS(X) \
    X(GetVersion) \
    X(SetConfig) \
    X(GetConfig) \
    X(Init) \
    X(Free) \
    X(GetInfo) \
    X(ErrorGetCode) \
    X(StreamCreateURL) \
    X(StreamCreate) \
    X(StreamFree) \
    X(MusicFree) \
    X(PluginFree) \
    X(StreamGetFilePosition) \
    X(ChannelGetData) \
    X(ChannelGetInfo) \
    X(ChannelGetLength) \
    X(ChannelBytes2Seconds) \
    X(ChannelSeconds2Bytes) \
    X(ChannelGetPosition) \
    X(ChannelSetPosition) \
    X(ChannelGetTags) \
    X(ChannelPlay) \
    X(ChannelPause) \
    X(ChannelStop) \
    X(ChannelIsActive) \
    X(ChannelSetSync) \
    X(ChannelRemoveSync)

#define SONARO_AUDIO_POINTER(name) decltype(&AUDIO_##name) name = nullptr;
    SONARO_AUDIO_CALLS(SONARO_AUDIO_POINTER)
#undef SONARO_AUDIO_POINTER
};
