#pragma once

#include <string>

// Why a reply could not be read.
enum class TReplyErrorKind {
    rekNotXml,      // not well-formed XML, or no root element
    rekWrongKind,   // root `data` (or a track reply's `action`) is not the one asked for; callers ignore it
    rekMissingPart, // a record or child text the reply needs is absent
    rekNotANumber,  // a number the reply needs is not a decimal integer
};

struct TReplyError {
    TReplyErrorKind kind;
    // English, for logs and test output; never shown to the user.
    std::string message;
};
