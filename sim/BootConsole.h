#pragma once

#include "ChipEvent.h"
#include "ChipKnobs.h"
#include "ConsoleLineReader.h"
#include "XmodemReceiver.h"

#include <QByteArray>
#include <QHash>
#include <QList>

#include <functional>
#include <memory>
#include <random>

// The chip's boot-ROM console over its flash: line editing, the commands the
// tools send, and the XMODEM receiver behind "loadx". Pure logic: bytes in,
// bytes out through the sender, no file descriptors and no threads.
class BootConsole {
public:
    // Sends bytes towards the host after delayUs on top of the wire's own pacing.
    using Sender = std::function<void(const QByteArray& bytes, qint64 delayUs)>;
    // terminator: the line end of a console line, else empty.
    using Recorder = std::function<void(ChipEvent::Kind kind, const QByteArray& text, const QByteArray& terminator)>;
    // Starts a flood of junk towards the host; the chip produces it as the wire drains.
    using Flooder = std::function<void(qint64 bytes)>;

    BootConsole(int flashSize, Sender sender, Recorder recorder);
    ~BootConsole();

    // following: the byte the host sent right behind this one, if already received, else -1.
    void receive(char byte, ChipKnobs& knobs, qint64 nowUs, int following = -1);
    // Periodic work: the receiver's repeated start request, stalled packets.
    void tick(const ChipKnobs& knobs, qint64 nowUs);
    // Microseconds until tick() has something to do, or -1.
    qint64 nextTickUs(qint64 nowUs, const ChipKnobs& knobs) const;
    // A chip just plugged in starts at an empty console line.
    void reset();
    void setFlooder(Flooder flooder) { flood = std::move(flooder); }

    QByteArray& flash() { return flashBytes; }
    // Another chip in the socket: its flash and partition in, this one's out.
    void exchangeChip(QByteArray& flash, quint32& partitionAddress);
    quint32 partitionAddress() const { return partition; }
    int eraseCount() const { return erases; }

private:
    void endLine(const ConsoleLineReader::Line& complete, ChipKnobs& knobs, qint64 nowUs);
    void handleLine(const QByteArray& line, const QByteArray& terminator, ChipKnobs& knobs, qint64 nowUs);
    QByteArray execute(const QList<QByteArray>& words, const ChipKnobs& knobs, qint64 nowUs, bool& prompt);
    QByteArray memoryDump(const QList<QByteArray>& words, const ChipKnobs& knobs);
    QByteArray checksum(const QList<QByteArray>& words, const ChipKnobs& knobs);
    static ChipKnobs knobsForCommand(const QByteArray& text, ChipKnobs& knobs);
    QByteArray erase(const QList<QByteArray>& words, const ChipKnobs& knobs);
    static qint64 workUs(const QList<QByteArray>& words, const ChipKnobs& knobs);
    void startTransfer(const ChipKnobs& knobs, qint64 nowUs);
    void finishTransfer(const ChipKnobs& knobs, qint64 nowUs);
    void reply(const QByteArray& bytes, const ChipKnobs& knobs);
    QByteArray noise(const ChipKnobs& knobs);
    quint32 readWord(quint32 address) const;

    Sender send;
    Recorder record;
    Flooder flood;
    std::minstd_rand noiseGenerator;
    quint32 noiseSeed = 0;
    QByteArray flashBytes;
    ConsoleLineReader lines;
    quint32 partition = 0x1000;
    QHash<quint32, quint32> registers;
    int erases = 0;
    int eraseAttempts = 0;
    int countedDumps = 0; // "md" commands with a count
    int dumpCutOffset = -1; // where in the last dump body the reply is cut
    std::unique_ptr<XmodemReceiver> receiver;
    qint64 lastStartRequestUs = 0;
    qint64 lastPacketByteUs = 0;
    qint64 busyUntilUs = 0; // the console works on a command until then and hears nothing
};
