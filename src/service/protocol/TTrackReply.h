#pragma once

#include "TReplyResult.h"

#include <QByteArrayView>

#include <optional>
#include <string>

enum class TTrackAction { taPlay, taDown, taAdd };

// The reply to a play, download or add request (root `data` "getmp3"); the
// root's `action` says which. The record is the root's first child. Texts are
// Windows-1250 bytes exactly as the reply gave them.
struct TTrackReply {
    TTrackAction action = TTrackAction::taPlay;
    std::string url;    // the record's text: stream URL (play, add) or file URL (down)
    std::string artist; // `interpret`
    std::string name;   // `jmeno`
    std::string album;  // `album`
    std::string length; // `cas`, display text (used by add)
    std::string id;     // `id`, the track ID (used by add)
    // Root `kam`, add only: the playlist position to insert at; none: append.
    std::optional<int> insertAt;

    // Errors: rekNotXml, rekWrongKind (also for an unknown `action`),
    // rekMissingPart (no record element), rekNotANumber (`kam` of an add).
    static TReplyResult<TTrackReply> Read(QByteArrayView body);
};
