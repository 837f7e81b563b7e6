#pragma once

#include <chrono>

// The record store's waits and intervals, in one place. The defaults are the
// production values; tests pass shorter ones. Every wait on the line's server
// has a bound: a network cut on an open connection ends the statement within
// serverSilence, and a closing program never waits longer than serverOnExit.
struct RecordTiming {
    using ms = std::chrono::milliseconds;
    using s = std::chrono::seconds;

    ms sqliteBusy { 10000 }; // a writer waits this long for another process's lock on the local file
    ms serverConnect {
        3000
    }; // one connection attempt to the line's server (libpq rounds up to whole seconds, at least 2)
    ms serverStatement { 10000 }; // the server cancels a statement that runs longer (statement_timeout)
    ms serverSilence { 10000 }; // sent data left unacknowledged this long ends the connection (tcp_user_timeout)
    s keepaliveIdle { 5 }; // an idle connection is probed after this long...
    s keepaliveInterval { 2 }; // ...then this often...
    int keepaliveProbes = 3; // ...and given up after this many unanswered probes
    ms reconnectPause { 5000 }; // after a failed connection, the outbox waits this long before the next try
    ms forwardInterval { 30000 }; // the outbox is offered to the server this often
    ms drainOnExit { 10000 }; // a closing program waits at most this long for its last rows to reach the local file
    ms serverOnExit { 1000 }; // ...and at most this long for the server to take them; the rest stay in the outbox
};
