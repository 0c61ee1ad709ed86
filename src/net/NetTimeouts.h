#pragma once

// How long a request may wait on the network before it fails, for every
// fetcher of the program.
namespace NetTimeouts {

// Until the TCP connection is made.
inline constexpr int ConnectMs = 10000;
// Without a single byte received, once connected (waiting for the reply
// included).
inline constexpr int StallMs = 20000;

} // namespace NetTimeouts
