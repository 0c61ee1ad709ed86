#pragma once

#include "TReplyResult.h"

#include <QByteArrayView>

#include <string>

// The reply to a rating (root `data` "hodnot"): the track's new rating as
// display text, the text of the root's first child, in Windows-1250 bytes.
struct TRateReply {
    std::string rating;

    // Errors: rekNotXml, rekWrongKind, rekMissingPart (no child).
    static TReplyResult<TRateReply> Read(QByteArrayView body);
};
