#pragma once

// What a station's tile shows.
enum class StationState {
    Idle, // not running
    NoAdapter, // started, its adapter is not there: it starts by itself when the adapter appears
    WaitingForChip,
    Downloading,
    Passed, // the last chip passed; it is still in the socket or was just pulled
    Failed, // the last chip failed all its attempts and waits to be pulled
    AdapterLost, // the USB adapter is gone; the station goes on when it is back
    PortError, // the port could not be opened at the start
};
