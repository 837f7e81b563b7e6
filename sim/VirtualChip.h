#pragma once

#include "ChipEvent.h"
#include "ChipKnobs.h"
#include "UartLink.h"
#include "WireBurst.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class BootConsole;

// A VYN chip's boot console on the far end of a pseudo-terminal. The host
// side opens portName() with QSerialPort like a real adapter; a thread of the
// chip's own serves the console on the master side, paced like a real wire.
class VirtualChip {
public:
    explicit VirtualChip(int flashSize = 4 * 1024 * 1024);
    ~VirtualChip();

    VirtualChip(const VirtualChip&) = delete;
    VirtualChip& operator=(const VirtualChip&) = delete;

    // Opens the pseudo-terminal and starts serving. False when no terminal could be had.
    // With a link path the host opens that symbolic link instead, which keeps
    // its name when the adapter is pulled and plugged again.
    bool start(const QString& linkPath = QString());
    QString portName() const;
    QString terminalName() const;

    // The USB adapter itself. Pulled, the terminal's far end closes (the host's
    // port fails every read and write) and the link disappears; plugged, a new
    // terminal appears behind the same link. The chip starts at an empty line.
    void pullAdapter();
    bool plugAdapter();
    // Between a pull and a plug: the adapter comes back under this name, as
    // one the system enumerates anew does ("ttyUSB3" becoming "ttyUSB5").
    void renameLink(const QString& linkPath);

    void configure(const std::function<void(ChipKnobs&)>& change);
    ChipKnobs knobs() const;
    void plug()
    {
        configure([](ChipKnobs& k) { k.plugged = true; });
    }
    void unplug()
    {
        configure([](ChipKnobs& k) { k.plugged = false; });
    }
    // The socket takes another chip: a new one with blank flash, or, by its
    // number, one that was in it before, with its flash as it left. The chip
    // first started with is number 0; returns the new chip's number.
    int insertNewChip();
    bool insertChip(int number);
    int chipNumber() const;

    // RS-485: the chip prints "Boot abort" once it is ready.
    void announceReady();

    // The host's line settings as its last bytes to the chip crossed with.
    LineSettings hostLine() const;

    QList<ChipEvent> events() const;
    QList<QByteArray> commands() const;
    int knockCount() const;
    void clearEvents();

    QByteArray flash(int offset, int length) const;
    void fillFlash(int offset, const QByteArray& bytes);
    quint32 partitionAddress() const;
    int eraseCount() const;
    // Bytes written to the host so far.
    qint64 bytesSent() const;
    // Every read from and write to the host while recording is on (benchmarks).
    void recordWire(bool on);
    QList<WireBurst> wireBursts() const;

private:
    struct Terminal {
        int master = -1;
        int slave = -1;
        QString name;
    };
    static bool openTerminal(Terminal& terminal);
    bool pointLink(const QString& target) const;
    void closeTerminal();
    void resetWire();
    void topUpFlood(qint64 nowNs);

    struct Outgoing {
        QByteArray bytes;
        qint64 notBeforeUs;
    };

    void serve();
    void readFromHost(qint64 nowUs);
    void processArrivals(qint64 nowUs);
    void deliverToHost(qint64 nowUs);
    void checkHostLine(qint64 nowUs, bool fromHost);
    qint64 nextWakeUs(qint64 nowUs) const;
    qint64 byteTimeNs() const;
    void enqueue(const QByteArray& bytes, qint64 delayUs);
    void wake();
    qint64 nowUs() const;
    qint64 consoleClockUs() const;

    mutable std::mutex lock;
    ChipKnobs current;
    std::unique_ptr<BootConsole> console;
    QList<ChipEvent> log;
    int knocks = 0;

    // Wire state, touched by the serving thread under the lock.
    QByteArray arriving; // bytes from the host still on the wire
    QList<qint64> arrivalNs; // when each of them has fully arrived
    qint64 lastArrivalNs = 0;
    QList<Outgoing> outgoing; // bytes the chip sent, not yet on the wire
    QByteArray onWire; // bytes on the wire towards the host
    QList<qint64> onWireDueNs;
    qint64 lastDueNs = 0;
    qint64 sent = 0;
    qint64 retryWriteAtUs = 0; // the host's buffer was full
    qint64 handlingArrivalUs = -1; // arrival time of the byte the console is handling
    UartLink uart;
    LineSettings seenHostLine; // the settings the host's last bytes crossed with
    bool seenIntact = true;
    bool recordingWire = false;
    QList<WireBurst> bursts;
    bool wasPlugged = true;
    struct ShelvedChip {
        QByteArray flash;
        quint32 partition = 0x1000;
    };
    QHash<int, ShelvedChip> shelf; // chips out of the socket, by number
    int inSocket = 0;
    int chipsMade = 1;
    qint64 floodLeft = 0; // junk still to produce
    quint32 floodState = 0x9E3779B9u;

    int masterFd = -1;
    int slaveFd = -1; // held so the master never sees a hang-up between jobs
    int wakePipe[2] = { -1, -1 };
    QString slavePath;
    QString linkPath;
    bool pullRequested = false;
    std::condition_variable adapterPulled;
    std::atomic<bool> running { false };
    std::thread server;
    qint64 epochNs = 0;
};
