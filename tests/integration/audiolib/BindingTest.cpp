// The engine binds the library by name from the program's folder: every
// call must be there, and nothing of the inside.
#include "sonaroaudio.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

TEST(AudiolibBinding, ExportsEveryCallAndHidesTheRest)
{
    const char *bin = std::getenv("SONARO_BIN_DIR");
    ASSERT_NE(bin, nullptr);
    const std::string path = std::string(bin) + "/libsonaroaudio.so";
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(lib, nullptr) << dlerror();
    for (const char *name : {"AUDIO_GetVersion", "AUDIO_SetConfig", "AUDIO_GetConfig", "AUDIO_Init", "AUDIO_Free",
                             "AUDIO_GetInfo", "AUDIO_ErrorGetCode", "AUDIO_StreamCreateURL", "AUDIO_StreamCreate",
                             "AUDIO_StreamFree", "AUDIO_MusicFree", "AUDIO_PluginFree", "AUDIO_StreamGetFilePosition",
                             "AUDIO_ChannelGetData", "AUDIO_ChannelGetInfo", "AUDIO_ChannelGetLength",
                             "AUDIO_ChannelBytes2Seconds", "AUDIO_ChannelSeconds2Bytes", "AUDIO_ChannelGetPosition",
                             "AUDIO_ChannelSetPosition", "AUDIO_ChannelGetTags", "AUDIO_ChannelPlay",
                             "AUDIO_ChannelPause", "AUDIO_ChannelStop", "AUDIO_ChannelIsActive",
                             "AUDIO_ChannelSetSync", "AUDIO_ChannelRemoveSync"})
        EXPECT_NE(dlsym(lib, name), nullptr) << name;
    EXPECT_EQ(dlsym(lib, "_ZN11sonaroaudio5Mixer6renderEPsm"), nullptr);
    EXPECT_EQ(dlsym(lib, "_ZN11sonaroaudio12MpegSniffer5sniffEPKhmb"), nullptr);

    auto version = reinterpret_cast<uint32_t (*)()>(dlsym(lib, "AUDIO_GetVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version() >> 16, 0x0203u);
    EXPECT_GE(version() & 0xFFFF, 1u);

    // Without AUDIO_Init nothing works, and the caller learns why.
    auto create = reinterpret_cast<AUDIO_HANDLE (*)(uint32_t, uint32_t, uint32_t, AUDIO_STREAMPROC *, void *)>(
        dlsym(lib, "AUDIO_StreamCreate"));
    auto error = reinterpret_cast<int (*)()>(dlsym(lib, "AUDIO_ErrorGetCode"));
    EXPECT_EQ(create(44100, 2, 0, [](AUDIO_HANDLE, void *, uint32_t, void *) { return 0u; }, nullptr), 0u);
    EXPECT_EQ(error(), AUDIO_ERROR_NOT_INITIALISED);
    // A device that does not exist.
    auto init = reinterpret_cast<int (*)(int, uint32_t, uint32_t, void *, const void *)>(dlsym(lib, "AUDIO_Init"));
    EXPECT_EQ(init(7, 44100, 0, nullptr, nullptr), 0);
    EXPECT_EQ(error(), AUDIO_ERROR_DEVICE);
    dlclose(lib);
}
