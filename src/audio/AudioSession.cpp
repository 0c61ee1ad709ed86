#include "AudioSession.h"

#include "AddOnLibrary.h"
#include "DynamicAudio.h"

AudioSession::AudioSession(const QString &folder, int outputDevice, const ErrorBox &showError)
    : library_(std::make_unique<DynamicAudio>())
    , wmaAddOn_(std::make_unique<AddOnLibrary>())
    , cdAddOn_(std::make_unique<AddOnLibrary>())
    , midiAddOn_(std::make_unique<AddOnLibrary>())
    , visDrawer_(std::make_unique<AddOnLibrary>())
{
    if (!library_->load(folder))
        return;
    const AudioApi &a = api();
    const std::uint32_t version = a.GetVersion();
    if ((version >> 16) != 0x0203 || (version & 0xFFFF) < 1) {
        showError(QStringLiteral("Audio library version is not 2.3.0.1 !"));
        return;
    }
    a.SetConfig(AUDIO_CONFIG_MAX_VOLUME, 255);
    a.SetConfig(AUDIO_CONFIG_NET_REDIRECTS, 1);
    if (!a.Init(outputDevice, 44100, 0, nullptr, nullptr)) {
        showError(QStringLiteral("Can't initialize device") + QStringLiteral("\r\n")
                  + QStringLiteral("(error code: ") + QString::number(a.ErrorGetCode()) + QStringLiteral(")"));
        return;
    }
    ready_ = true;
    AUDIO_INFO deviceInfo{};
    if (a.GetInfo(&deviceInfo))
        dx8EffectReady_ = deviceInfo.effects_version >= 8;
    version_ = QString::number(version & 0xFFFF) + QLatin1Char('.') + QString::number(version >> 16);

    wmaAddOn_->load(folder, "libsonaroaudio_wma.so");
    cdAddOn_->load(folder, "libsonaroaudio_cd.so");
    midiAddOn_->load(folder, "libsonaroaudio_midi.so");
    visDrawer_->load(folder, "libvisdrawer.so", "GetGeneralPurposePlugin");
}

AudioSession::~AudioSession()
{
    shutDown({});
}

bool AudioSession::loaded() const
{
    return library_->loaded();
}

const AudioApi &AudioSession::api() const
{
    return library_->api();
}

bool AudioSession::cdAddOn() const
{
    return cdAddOn_->loaded();
}

bool AudioSession::wmaAddOn() const
{
    return wmaAddOn_->loaded();
}

bool AudioSession::midiAddOn() const
{
    return midiAddOn_->loaded();
}

void AudioSession::shutDown(const std::function<void()> &betweenFreeAndUnload)
{
    if (library_->loaded()) {
        api().PluginFree(0);
        api().Free();
        if (betweenFreeAndUnload)
            betweenFreeAndUnload();
        library_->unload(); // closes the library; its own Free finds nothing left
    }
    ready_ = false;
    wmaAddOn_->unload();
    cdAddOn_->unload();
    midiAddOn_->unload();
    visDrawer_->unload();
}
