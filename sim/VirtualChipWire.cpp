// The chip's serving thread: the wire between the host's bytes and the boot
// console, paced as 8N1 at the chip's baud rate, through the chip's UART.
#include "BootConsole.h"
#include "VirtualChip.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

qint64 VirtualChip::byteTimeNs() const
{
    // 8N1: ten bit times per byte.
    return current.baud > 0 ? 10'000'000'000LL / current.baud : 0;
}

// Called with the lock held (from the console or announceReady).
void VirtualChip::enqueue(const QByteArray& bytes, qint64 delayUs)
{
    if (!current.plugged || current.silent)
        return;
    qint64 notBefore = consoleClockUs() + delayUs;
    if (!outgoing.isEmpty())
        notBefore = std::max(notBefore, outgoing.last().notBeforeUs);
    outgoing.append({ bytes, notBefore });
}

void VirtualChip::serve()
{
    pollfd fds[2] = { { -1, POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };
    while (running) {
        qint64 waitUs;
        {
            std::lock_guard<std::mutex> guard(lock);
            waitUs = nextWakeUs(nowUs());
            fds[0].fd = masterFd; // negative while the adapter is pulled: ignored by ppoll
            // The host's buffer is full: go on as soon as it has room again.
            fds[0].events = short(POLLIN | (retryWriteAtUs > nowUs() ? POLLOUT : 0));
        }
        timespec timeout { time_t(waitUs / 1000000), long(waitUs % 1000000) * 1000L };
        fds[0].revents = fds[1].revents = 0;
        const int ready = ppoll(fds, 2, &timeout, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN) {
            char drain[64];
            while (::read(wakePipe[0], drain, sizeof drain) > 0) { }
        }
        std::lock_guard<std::mutex> guard(lock);
        if (pullRequested) {
            closeTerminal();
            pullRequested = false;
            adapterPulled.notify_all();
            continue;
        }
        const qint64 now = nowUs();
        if (current.plugged != wasPlugged) {
            wasPlugged = current.plugged;
            console->reset();
            resetWire();
        }
        if (fds[0].revents & POLLOUT)
            retryWriteAtUs = 0;
        if (masterFd >= 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)))
            readFromHost(now);
        processArrivals(now);
        console->tick(current, now);
        deliverToHost(now);
    }
}

void VirtualChip::readFromHost(qint64 now)
{
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(masterFd, chunk, sizeof chunk);
        if (got <= 0)
            return;
        if (!current.plugged)
            continue; // nobody is listening
        checkHostLine(now, true);
        uart.pass(chunk, got);
        const qint64 byteNs = byteTimeNs();
        const qint64 nowNs = now * 1000;
        for (ssize_t i = 0; i < got; ++i) {
            lastArrivalNs = std::max(lastArrivalNs, nowNs) + byteNs;
            arriving.append(chunk[i]);
            arrivalNs.append(lastArrivalNs);
        }
        if (recordingWire)
            bursts.append({ WireBurst::FromHost, now, int(got), lastArrivalNs / 1000 });
    }
}

void VirtualChip::processArrivals(qint64 now)
{
    const qint64 nowNs = now * 1000;
    int done = 0;
    while (done < arriving.size() && arrivalNs.at(done) <= nowNs) {
        handlingArrivalUs = arrivalNs.at(done) / 1000;
        // Line ends are judged with the byte the host sent behind them.
        const int following = done + 1 < arriving.size() ? quint8(arriving.at(done + 1)) : -1;
        console->receive(arriving.at(done), current, handlingArrivalUs, following);
        ++done;
    }
    handlingArrivalUs = -1;
    arriving.remove(0, done);
    arrivalNs.remove(0, done);
}

// Junk of a flood is made as the wire drains, so that a flood of megabytes
// costs the chip no more memory than one piece of it.
void VirtualChip::topUpFlood(qint64 nowNs)
{
    constexpr int piece = 65536;
    if (onWire.size() >= piece)
        return;
    const int count = int(std::min<qint64>(floodLeft, piece));
    const qint64 byteNs = byteTimeNs();
    for (int i = 0; i < count; ++i) {
        floodState = floodState * 1664525u + 1013904223u;
        // Bytes of a wrong baud rate: never a line break nor a console marker.
        onWire.append(char(0x80 | (floodState >> 24)));
        lastDueNs = std::max(lastDueNs, nowNs) + byteNs;
        onWireDueNs.append(lastDueNs);
    }
    floodLeft -= count;
}

void VirtualChip::deliverToHost(qint64 now)
{
    if (masterFd < 0)
        return;
    const qint64 nowNs = now * 1000;
    const qint64 byteNs = byteTimeNs();
    if (floodLeft > 0)
        topUpFlood(nowNs);
    // Bytes the chip has sent go onto the wire one after the other, behind a flood.
    while (floodLeft == 0 && !outgoing.isEmpty() && outgoing.first().notBeforeUs <= now) {
        const Outgoing next = outgoing.takeFirst();
        for (char byte : next.bytes) {
            lastDueNs = std::max(lastDueNs, next.notBeforeUs * 1000) + byteNs;
            onWire.append(byte);
            onWireDueNs.append(lastDueNs);
        }
    }
    if (onWire.isEmpty())
        return;
    // The adapter hands over a burst once its latency timer has run from the burst's first byte.
    const qint64 latencyNs = qint64(current.adapterLatencyMs) * 1000000;
    if (onWireDueNs.first() + latencyNs > nowNs)
        return;
    int due = 0;
    while (due < onWire.size() && onWireDueNs.at(due) <= nowNs)
        ++due;
    if (due == 0 || now < retryWriteAtUs)
        return;
    checkHostLine(now, false);
    QByteArray garbled;
    const char* bytes = onWire.constData();
    if (!uart.intact()) {
        garbled = onWire.left(due);
        uart.pass(garbled.data(), due);
        bytes = garbled.constData();
    }
    const ssize_t written = ::write(masterFd, bytes, size_t(due));
    if (written <= 0) {
        retryWriteAtUs = now + 1000; // the host's buffer is full
        return;
    }
    sent += written;
    if (recordingWire)
        bursts.append({ WireBurst::ToHost, now, int(written), onWireDueNs.at(int(written) - 1) / 1000 });
    onWire.remove(0, int(written));
    onWireDueNs.remove(0, int(written));
}

qint64 VirtualChip::nextWakeUs(qint64 now) const
{
    qint64 wait = 50000;
    if (masterFd < 0)
        return wait;
    const qint64 nowNs = now * 1000;
    if (!arrivalNs.isEmpty())
        wait = std::min(wait, std::max<qint64>(0, (arrivalNs.first() - nowNs + 999) / 1000));
    if (!outgoing.isEmpty() && floodLeft == 0)
        wait = std::min(wait, std::max<qint64>(0, outgoing.first().notBeforeUs - now));
    if (!onWireDueNs.isEmpty()) {
        const qint64 latencyNs = qint64(current.adapterLatencyMs) * 1000000;
        const qint64 dueUs = std::max((onWireDueNs.first() + latencyNs + 999) / 1000, retryWriteAtUs);
        wait = std::min(wait, std::max<qint64>(0, dueUs - now));
    }
    const qint64 tick = console->nextTickUs(now, current);
    if (tick >= 0)
        wait = std::min(wait, tick);
    return wait;
}

// Once per burst: the host may change its settings between jobs, never
// within a byte. What the host's own bytes crossed with is recorded; after it
// closed its port the terminal may fall back to other settings, which only
// garble what the chip says to nobody.
void VirtualChip::checkHostLine(qint64 now, bool fromHost)
{
    uart.check(slaveFd, current.baud);
    if (!fromHost)
        return;
    if (!uart.intact() && (seenIntact || !(seenHostLine == uart.host())))
        log.append({ ChipEvent::LineMismatch, now, uart.host().describe() });
    seenHostLine = uart.host();
    seenIntact = uart.intact();
}
