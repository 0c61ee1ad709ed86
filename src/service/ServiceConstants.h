#pragma once

#include <string_view>

// The program's fixed values. The service address is a build setting
// (CMake SONARO_SERVICE_URL); every endpoint hangs off it.
#ifndef SONARO_SERVICE_URL
#define SONARO_SERVICE_URL "http://127.0.0.1/"
#endif

inline constexpr std::string_view ClientVersion = "0.3";

inline constexpr std::string_view ServiceBaseUrl = SONARO_SERVICE_URL;
inline constexpr std::string_view FinderUrl = SONARO_SERVICE_URL "engine/finder.php";
inline constexpr std::string_view GetMp3Url = SONARO_SERVICE_URL "engine/getmp3.php";
inline constexpr std::string_view RateUrl = SONARO_SERVICE_URL "engine/hodnot.php";
inline constexpr std::string_view UpdateUrl = SONARO_SERVICE_URL "engine/update.php";
inline constexpr std::string_view UpDataUrl = SONARO_SERVICE_URL "engine/up_data.php";

static_assert(ServiceBaseUrl.starts_with("http://") && ServiceBaseUrl.ends_with("/"),
              "SONARO_SERVICE_URL must be an http:// address ending in /");
