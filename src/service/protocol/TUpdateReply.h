#pragma once

#include "TReplyResult.h"

#include <QByteArrayView>

#include <cstdint>
#include <optional>
#include <string>

// The reply to the start-up update check (root `data` "updater"). Texts are
// Windows-1250 bytes exactly as the reply gave them.
struct TUpdateReply {
    std::string clientIdText; // `kid` as sent, the text stored for the installation
    int clientId = -1;        // `kid` read as a 32-bit signed integer
    bool newVersion = false;  // `newver` is "ano"
    std::string version;      // `verze`, the newer version's name
    std::string sizeText;     // `velikost` as sent
    // `velikost` in bytes; none when absent or not a decimal integer, which
    // matters only to a caller that offers the new version.
    std::optional<std::int64_t> size;
    bool hasMessage = false;   // `jezprava` is "ano"
    std::string databaseCount; // text of the root's child 0
    std::string message;       // text of the root's child 1; read when hasMessage

    // Errors: rekNotXml, rekWrongKind, rekMissingPart (`kid`, child 0, or
    // child 1 when a message is announced), rekNotANumber (`kid`).
    static TReplyResult<TUpdateReply> Read(QByteArrayView body);
};
