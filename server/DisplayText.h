#pragma once

#include <cstdint>
#include <string>

// The texts the results list shows as they are: the service formats them.
namespace DisplayText {

// "m:ss"; minutes are not wrapped at the hour ("61:05").
std::string length(int milliseconds);
// "812 B", "3,4 kB", "4,7 MB", "1,2 GB": one decimal with a comma, none when whole.
std::string size(std::int64_t bytes);
// The average of the stars with one decimal and a comma ("4,2", "3"); empty
// when nobody has rated yet.
std::string rating(std::int64_t starSum, std::int64_t count);
// Empty for 0 (no track number in the tag).
std::string trackNumber(int number);

} // namespace DisplayText
