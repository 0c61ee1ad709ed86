#pragma once

#include "TReplyResult.h"

#include <QByteArrayView>

#include <string>
#include <vector>

// The reply to a search (root `data` "finder"): one record per child node of
// the root, in list order; no records is a valid empty result. Texts are
// Windows-1250 bytes exactly as the reply gave them; an absent attribute
// reads as empty text.
struct TFinderReply {
    struct Record {
        std::string name;        // `jmeno`
        std::string artist;      // `interpret`
        std::string album;       // `album`
        std::string genre;       // `zanr`
        std::string length;      // `cas`, display text
        std::string rating;      // `hodnoceni`, display text
        std::string trackNumber; // `cislo`
        std::string bitrate;     // `bitrate`, display text
        std::string size;        // `velikost`, display text
        std::string id;          // the record element's text: the track ID
        std::string mayRate;     // `hodmuzu`: "true" when this client may rate the track

        bool canRate() const { return mayRate == "true"; }
    };

    std::vector<Record> records;

    // Errors: rekNotXml, rekWrongKind, rekMissingPart (a record that is not an element).
    static TReplyResult<TFinderReply> Read(QByteArrayView body);
};
