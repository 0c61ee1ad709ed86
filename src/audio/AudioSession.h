#pragma once

#include "AudioApi.h"

#include <QString>

#include <functional>
#include <memory>

class AddOnLibrary;
class DynamicAudio;

// The audio library for the engine's whole life: bound from the program's
// folder, its version checked, the output device initialised at 44.1 kHz,
// and the optional add-on slots beside it. User-interface thread only.
class AudioSession
{
public:
    using ErrorBox = std::function<void(const QString &text)>;

    // Every failure has its box (through showError) and leaves ready() false.
    AudioSession(const QString &folder, int outputDevice, const ErrorBox &showError);
    ~AudioSession();
    AudioSession(const AudioSession &) = delete;
    AudioSession &operator=(const AudioSession &) = delete;

    bool loaded() const;
    bool ready() const { return ready_; }
    // Bound calls; only to be used while loaded().
    const AudioApi &api() const;
    // "low.high" 16-bit halves of the library's version; empty unless ready.
    QString version() const { return version_; }
    bool dx8EffectReady() const { return dx8EffectReady_; }
    bool cdAddOn() const;
    bool wmaAddOn() const;
    bool midiAddOn() const;

    // Frees the library, which ends every creation still waiting on a
    // server; betweenFreeAndUnload then collects the threads that waited,
    // before the code they ran in goes away. Once only; the destructor does
    // it when nobody did.
    void shutDown(const std::function<void()> &betweenFreeAndUnload);

private:
    std::unique_ptr<DynamicAudio> library_;
    std::unique_ptr<AddOnLibrary> wmaAddOn_;
    std::unique_ptr<AddOnLibrary> cdAddOn_;
    std::unique_ptr<AddOnLibrary> midiAddOn_;
    std::unique_ptr<AddOnLibrary> visDrawer_;
    bool ready_ = false;
    bool dx8EffectReady_ = false;
    QString version_;
};
