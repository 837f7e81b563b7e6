#pragma once

#include <chrono>

// Every interval of the factory station in one place. The defaults are the
// production values; tests pass shorter ones.
struct FactoryTiming {
    std::chrono::milliseconds stopBound { 10000 }; // a stopping or closing station waits at most this for its job
    std::chrono::minutes rateWindow { 10 }; // chips per hour are counted over the last
    std::chrono::milliseconds adapterPoll { 1000 }; // a station without its adapter looks for it this often
};
