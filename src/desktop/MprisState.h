#pragma once

#include "MprisTrack.h"
#include "PlayerTypes.h"

#include <QDBusObjectPath>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <optional>

// Turns what the engine, the panel and the player menu show at one moment
// into the values of the desktop player interface's properties, and tells
// which of them changed since they were last published.
class MprisState
{
public:
    struct Inputs
    {
        TPlayerMode mode = plmStandby;
        // None until the first track has started.
        std::optional<MprisTrack> track;
        // The knob's position, 0..255.
        int volumePosition = 255;
        // Whether the window's "Další" and "Předchozí" would act now.
        bool nextEnabled = false;
        bool previousEnabled = false;
    };

    // "Playing", "Paused" or "Stopped" (every other mode).
    static QString playbackStatus(TPlayerMode mode);
    // A valid object path for the track, unique per service ID; the
    // interface's "no track" path for none.
    static QDBusObjectPath trackPath(const std::optional<MprisTrack> &track);
    static QVariantMap metadata(const std::optional<MprisTrack> &track);
    // The knob's linear 0..255 as the interface's 0.0..1.0, and back
    // (clamped, rounded to the nearest position).
    static double volume(int position);
    static int knobPosition(double volume);
    // Play and Pause have something to act on once a stream is open; when
    // the window's item is disabled at that moment (Play while playing),
    // the call does nothing, as the interface allows.
    static bool canPlay(const Inputs &in);
    // The panel seeks only while playing or paused, in a stream of known length.
    static bool canSeek(const Inputs &in);

    // Every published property of the player interface except Position,
    // which is read when asked for.
    static QVariantMap properties(const Inputs &in);
    // The properties whose values differ from those of the previous call;
    // all of them on the first call.
    QVariantMap changes(const Inputs &in);

private:
    QVariantMap m_published;
};
