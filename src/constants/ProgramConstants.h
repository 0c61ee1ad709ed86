#pragma once

#include "ServiceAddress.h"

// Installation values shared by every window; none changes at run time.
namespace ProgramConstants {

// The service's endpoints are in ServiceConstants.h.
inline constexpr const char *ClientVersion = SONARO_CLIENT_VERSION;
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
