#pragma once

#include "ServiceAddress.h"

// Installation values shared by every window; none changes at run time.
namespace ProgramConstants {

inline constexpr const char *ClientVersion = "0.3";
inline constexpr const char *ServiceBaseUrl = SONARO_SERVICE_BASE_URL;
inline constexpr const char *FinderUrl = SONARO_SERVICE_BASE_URL "engine/finder.php";
inline constexpr const char *GetMp3Url = SONARO_SERVICE_BASE_URL "engine/getmp3.php";
inline constexpr const char *RateUrl = SONARO_SERVICE_BASE_URL "engine/hodnot.php";
inline constexpr const char *UpdateUrl = SONARO_SERVICE_BASE_URL "engine/update.php";
// Defined for completeness; no request uses it.
inline constexpr const char *UpDataUrl = SONARO_SERVICE_BASE_URL "engine/up_data.php";
// The service's own pages: the companion service answers its root.
inline constexpr const char *WebSiteUrl = SONARO_SERVICE_BASE_URL;

inline constexpr const char *ApplicationTitle = "Sonaro Klient";
inline constexpr const char *FetcherAgent = "Sonaro Client";

// Where the installation keeps its client ID in the per-user key store.
inline constexpr const char *ClientIdKeyPath = "\\Software\\Sonaro\\InstallData\\English\\";
inline constexpr const char *ClientIdValueName = "HashCode";

// The updater that the start-up window may start, beside the program.
inline constexpr const char *UpdaterProgram = "update";

} // namespace ProgramConstants
