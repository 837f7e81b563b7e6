#pragma once

#include <chrono>

// The waits of a desktop window around its worker thread.
struct WindowTiming {
    using ms = std::chrono::milliseconds;

    ms jobEndBound { 10000 }; // closing waits at most this long for a stopped job to end
    ms jobEndPoll { 20 }; // how often that wait looks whether the job has ended
    ms rateRefresh { 10000 }; // the station window recomputes its chips per hour this often
    // The station window shows its stations' new log lines, states and progress
    // together at most this often: sixteen stations in step would otherwise
    // have it draw line by line.
    ms stationRefresh { 80 };
    ms tileBlink { 500 }; // a station's latched failure blinks at this pace
};
