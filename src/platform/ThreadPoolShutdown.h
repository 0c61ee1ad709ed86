#pragma once

// Ends Qt's global thread pool (the raster painter and image conversions use
// it) before the process exits. QThread::wait returns before a pool thread has
// run its thread-exit destructors, so draining the pool is not enough: this
// also waits, briefly and bounded, until the kernel no longer lists any of
// the pool's threads. Call after the event loop.
namespace ThreadPoolShutdown {

void finish();

} // namespace ThreadPoolShutdown
