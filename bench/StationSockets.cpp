#include "StationSockets.h"

#include "Station.h"
#include "VirtualChip.h"

#include <algorithm>
#include <numeric>

namespace {
constexpr int giveUpAfterFailures = 3;
constexpr qint64 imageStart = 0x1000;

// The XMODEM phase of the chip's one transfer, from its own time stamps; 0 when incomplete.
double transferSeconds(const VirtualChip& chip)
{
    qint64 startUs = -1;
    for (const ChipEvent& event : chip.events()) {
        if (event.kind == ChipEvent::TransferStart)
            startUs = event.atUs;
        else if (event.kind == ChipEvent::TransferEnd && startUs >= 0)
            return double(event.atUs - startUs) / 1e6;
    }
    return 0;
}
} // namespace

struct StationSockets::Socket {
    VirtualChip chip { 1024 * 1024 };
    std::vector<double> phases;
    bool awaitingSwap = false;
    int failures = 0;
};

StationSockets::StationSockets(int chipsPerStation, int imageBytes)
    : chipsPerStation(chipsPerStation)
    , imageBytes(imageBytes)
{ }

StationSockets::~StationSockets() = default;

bool StationSockets::open(int count, int baud)
{
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<Socket>();
        socket->chip.configure([baud](ChipKnobs& k) { k.baud = baud; });
        if (!socket->chip.start())
            return false;
        plugFresh(*socket);
        sockets.push_back(std::move(socket));
    }
    return true;
}

QStringList StationSockets::portNames() const
{
    QStringList names;
    for (const auto& socket : sockets)
        names.append(socket->chip.portName());
    return names;
}

void StationSockets::attach(const QList<Station*>& stations)
{
    for (Station* station : stations) {
        for (const auto& socket : sockets) {
            if (socket->chip.portName() == station->port())
                watch(station, *socket);
        }
    }
}

void StationSockets::watch(Station* station, Socket& socket)
{
    QObject::connect(station, &Station::chipCounted, station, [this, &socket](bool pass) {
        if (pass)
            socket.phases.push_back(transferSeconds(socket.chip));
        else
            ++socket.failures;
        if (int(socket.phases.size()) < chipsPerStation) {
            socket.awaitingSwap = true;
            socket.chip.unplug();
        }
    });
    QObject::connect(station, &Station::chipAwaited, station, [this, &socket] {
        if (socket.awaitingSwap) {
            socket.awaitingSwap = false;
            plugFresh(socket);
        }
    });
}

void StationSockets::plugFresh(Socket& socket) const
{
    socket.chip.fillFlash(imageStart, QByteArray(imageBytes, char(0xFF)));
    socket.chip.clearEvents();
    socket.chip.plug();
}

bool StationSockets::allDone() const
{
    return std::all_of(sockets.begin(), sockets.end(), [this](const auto& s) {
        return int(s->phases.size()) >= chipsPerStation || s->failures > giveUpAfterFailures;
    });
}

bool StationSockets::allPassed() const
{
    return std::all_of(sockets.begin(), sockets.end(),
        [this](const auto& s) { return int(s->phases.size()) >= chipsPerStation && s->failures == 0; });
}

std::vector<double> StationSockets::meanPhaseSeconds() const
{
    std::vector<double> means;
    for (const auto& s : sockets) {
        const double sum = std::accumulate(s->phases.begin(), s->phases.end(), 0.0);
        means.push_back(s->phases.empty() ? 0 : sum / double(s->phases.size()));
    }
    return means;
}
