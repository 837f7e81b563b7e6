#pragma once

#include <chrono>
#include <functional>

// Runs the caller's event loop (user input held back) until done() holds or
// the bound has passed, looking every poll; returns done(). For a window that
// waits for its workers' queued signals, e.g. on close.
bool runEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds bound,
    std::chrono::milliseconds poll = std::chrono::milliseconds(20));
