#pragma once

// Ends Qt's global thread pool (the raster painter and image conversions use
// it) before the process exits. QThread::wait returns before a pool thread has
// run its thread-exit destructors, so draining the pool is not enough: this
// also waits, briefly and bounded, until the kernel no longer lists any of
// the pool's threads. Call after the event loop.
namespace ThreadPoolShutdown {

void finish();

// Whether the kernel lists a thread of this process by that name (as it keeps
// it: at most 15 bytes).
bool threadListed(const char *name);
// Waits, at most the given time, until no thread of that name is listed.
void waitUntilGone(const char *name, int milliseconds);

} // namespace ThreadPoolShutdown
