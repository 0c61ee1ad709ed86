#pragma once

#include <cstdint>
#include <optional>

// Conversions between bar pixels, stream bytes and milliseconds. barScale is
// the full width of a bar in pixels.
namespace PanelMath {

// downloaded × barScale ÷ streamSize, the product exact, rounded to nearest
// with halves to even, at most barScale. None when the size is unknown (0).
std::optional<int> downloadBarWidth(std::uint32_t downloaded, int barScale, std::uint32_t streamSize);

// position × barScale div playLength, truncating, at most barScale. None
// when the length is 0.
std::optional<int> playBarWidth(std::uint32_t position, int barScale, std::uint32_t playLength);

// Trunc(x × playLength ÷ barScale) ms for a press x pixels from the bar's
// left edge. None when the scale is not positive or x is left of the bar.
std::optional<std::uint32_t> seekTarget(int x, std::uint32_t playLength, int barScale);

} // namespace PanelMath
