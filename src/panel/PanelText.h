#pragma once

#include <QString>

#include <cstdint>

// The texts of the number display.
namespace PanelText {

// "nn:ss": minutes within the hour and seconds within the minute; hours
// (and days) are dropped.
QString timeText(std::uint32_t ms);

// The decimal bit rate, " kb/s", then spaces up to 16 characters (none when
// the number alone already takes 11 or more).
QString bitrateText(std::int64_t bitRate);

// BitrateText + position + "/" + TotalTimeText.
QString numbers(const QString &bitrateText, std::uint32_t positionMs, const QString &totalTimeText);

} // namespace PanelText
