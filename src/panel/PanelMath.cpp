#include "PanelMath.h"

#include <algorithm>
#include <cmath>

namespace PanelMath {

std::optional<int> downloadBarWidth(std::uint32_t downloaded, int barScale, std::uint32_t streamSize)
{
    if (streamSize == 0 || barScale <= 0)
        return std::nullopt;
    const std::int64_t product = std::int64_t(downloaded) * barScale;
    const double width = std::nearbyint(double(product) / double(streamSize));
    // A server that sends more than it announced must not push the bar past
    // its frame.
    return int(std::min(width, double(barScale)));
}

std::optional<int> playBarWidth(std::uint32_t position, int barScale, std::uint32_t playLength)
{
    if (playLength == 0 || barScale <= 0)
        return std::nullopt;
    const std::int64_t width = std::int64_t(position) * barScale / playLength;
    return int(std::min<std::int64_t>(width, barScale));
}

std::optional<std::uint32_t> seekTarget(int x, std::uint32_t playLength, int barScale)
{
    if (barScale <= 0 || x < 0)
        return std::nullopt;
    const std::int64_t product = std::int64_t(x) * playLength;
    const double target = std::trunc(double(product) / double(barScale));
    return std::uint32_t(std::min(target, double(UINT32_MAX)));
}

} // namespace PanelMath
