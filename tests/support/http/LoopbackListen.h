#pragma once

#include <cstdint>
#include <functional>
#include <string>

// A listening TCP socket on port 80 (the only port the client's fetcher uses)
// of the first free loopback address among candidate(0) .. candidate(attempts - 1),
// host-order IPv4 addresses. Returns the descriptor and puts the address into
// host as text; -1 when none was free.
int ListenOnPort80(const std::function<std::uint32_t(unsigned)> &candidate, unsigned attempts, int backlog,
                   std::string &host);
