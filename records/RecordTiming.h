#pragma once

#include <chrono>

// The record store's waits and intervals, in one place. The defaults are the
// production values; tests pass shorter ones.
struct RecordTiming {
    using ms = std::chrono::milliseconds;

    ms sqliteBusy { 10000 }; // a writer waits this long for another process's lock on the local file
    ms serverConnect {
        3000
    }; // one connection attempt to the line's server (libpq rounds up to whole seconds, at least 2)
    ms reconnectPause { 5000 }; // after a failed connection, rows go straight to the outbox for this long
    ms forwardInterval { 30000 }; // the outbox is offered to the server this often
    ms drainOnExit { 10000 }; // a closing program waits at most this long for its last rows to be written
};
