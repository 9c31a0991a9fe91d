// Event pumping for the window tests: runs the toolkit's events until a
// condition holds or a deadline passes.
#pragma once

#include <chrono>
#include <functional>

// True when cond held before the deadline.
bool pump_until(const std::function<bool()> &cond, int timeout_ms = 20000);
// Runs whatever is pending now (queued events, calls from workers).
void pump_pending();
