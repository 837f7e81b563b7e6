#pragma once

// What a station's tile shows.
enum class StationState {
    Idle, // not running
    NoAdapter, // started, its adapter is not there: it starts by itself when the adapter appears
    WaitingForChip,
    Downloading,
    Passed, // the last chip passed; shown until the next chip starts
    Failed, // the last attempt failed (reason()); shown until the next attempt starts
    AdapterLost, // the USB adapter is gone; the station goes on when it is back
    PortError, // the port could not be opened at the start
};
