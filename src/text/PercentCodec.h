#pragma once

#include <string>
#include <string_view>

// Percent-encoding without any toolkit, for the service. Bytes stay bytes:
// the client's escapes carry Windows-1250, never reinterpreted as UTF-8.
namespace PercentCodec {

// Which bytes go as they are; every other byte becomes "%XX" (upper-case hex).
enum class Keep {
    // Letters, digits and "-._~": the result can stand in a path segment or
    // a query value.
    Unreserved,
    // Every visible ASCII byte ('%' too): only what cannot stand on a request
    // line is escaped, so a path that is already encoded stays as it is.
    Visible,
};
std::string encode(std::string_view bytes, Keep keep = Keep::Unreserved);

// A query string's or form body's value: "%XX" becomes the byte, '+' a
// space; a '%' without two hex digits after it stays as it is.
std::string decodeQuery(std::string_view encoded);

} // namespace PercentCodec
