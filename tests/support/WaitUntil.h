#pragma once

#include <functional>

// Runs the event loop until the condition holds or the time is up; false
// when it timed out, so a missing event fails the test instead of hanging it.
bool WaitUntil(const std::function<bool()> &done, int timeoutMs = 10000);
