#include "DisplayText.h"

namespace {

// value/divisor rounded to tenths, written "12" or "12,3".
std::string tenths(std::int64_t value, std::int64_t divisor)
{
    const std::int64_t t = (value * 10 + divisor / 2) / divisor;
    std::string text = std::to_string(t / 10);
    if (t % 10 != 0)
        text += ',' + std::to_string(t % 10);
    return text;
}

} // namespace

namespace DisplayText {

std::string length(int milliseconds)
{
    const int seconds = milliseconds < 0 ? 0 : milliseconds / 1000;
    const int s = seconds % 60;
    return std::to_string(seconds / 60) + (s < 10 ? ":0" : ":") + std::to_string(s);
}

std::string size(std::int64_t bytes)
{
    if (bytes < 0)
        bytes = 0;
    constexpr std::int64_t kB = 1024, MB = kB * 1024, GB = MB * 1024;
    if (bytes < kB)
        return std::to_string(bytes) + " B";
    // Switch units where rounding would otherwise show "1024,0".
    if (bytes * 10 + kB / 2 < MB * 10)
        return tenths(bytes, kB) + " kB";
    if (bytes * 10 + MB / 2 < GB * 10)
        return tenths(bytes, MB) + " MB";
    return tenths(bytes, GB) + " GB";
}

std::string rating(std::int64_t starSum, std::int64_t count)
{
    if (count <= 0)
        return {};
    return tenths(starSum, count);
}

std::string trackNumber(int number)
{
    return number > 0 ? std::to_string(number) : std::string();
}

} // namespace DisplayText
