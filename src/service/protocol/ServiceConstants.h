#pragma once

#include "ServiceAddress.h"

#include <string_view>

// The service's endpoints. The address is a build setting (CMake
// SONARO_SERVICE_URL); every endpoint hangs off it.
inline constexpr std::string_view ClientVersion = SONARO_CLIENT_VERSION;

inline constexpr std::string_view ServiceBaseUrl = SONARO_SERVICE_BASE_URL;
inline constexpr std::string_view FinderUrl = SONARO_SERVICE_BASE_URL "engine/finder.php";
inline constexpr std::string_view GetMp3Url = SONARO_SERVICE_BASE_URL "engine/getmp3.php";
inline constexpr std::string_view RateUrl = SONARO_SERVICE_BASE_URL "engine/hodnot.php";
inline constexpr std::string_view UpdateUrl = SONARO_SERVICE_BASE_URL "engine/update.php";
// Defined for completeness; no request uses it.
inline constexpr std::string_view UpDataUrl = SONARO_SERVICE_BASE_URL "engine/up_data.php";

static_assert(ServiceBaseUrl.starts_with("http://") && ServiceBaseUrl.ends_with("/"),
              "SONARO_SERVICE_URL must be an http:// address ending in /");
