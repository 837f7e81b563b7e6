#pragma once

#include <QList>
#include <QStringList>

#include <memory>
#include <vector>

class Station;
class VirtualChip;

// The fixtures' sockets: one paced virtual chip per station, on its own wire.
// When a chip has passed it is pulled, and a fresh one is plugged once the
// station waits for a chip again, until each station has passed its chips.
class StationSockets {
public:
    StationSockets(int chipsPerStation, int imageBytes);
    ~StationSockets();

    // False when a chip's port could not be opened.
    bool open(int count, int baud);
    QStringList portNames() const;
    // Each station is matched to the socket on its port.
    void attach(const QList<Station*>& stations);

    bool allDone() const;
    bool allPassed() const; // every chip passed, none failed
    // Each station's XMODEM phase, averaged over its chips; 0 for none.
    std::vector<double> meanPhaseSeconds() const;

private:
    struct Socket;
    void plugFresh(Socket& socket) const;
    void watch(Station* station, Socket& socket);

    int chipsPerStation;
    int imageBytes;
    std::vector<std::unique_ptr<Socket>> sockets;
};
