#pragma once

// Hexadecimal digits both ways, shared by the percent-encoding and the byte
// scrambling.
namespace HexDigits {

inline constexpr char kUpper[] = "0123456789ABCDEF";

// 0-15 for a hex digit of either case, -1 for any other character.
constexpr int valueOf(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace HexDigits
