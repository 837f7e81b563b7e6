#include "VirtualChip.h"

#include "BootConsole.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

qint64 monotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

VirtualChip::VirtualChip(int flashSize)
    : epochNs(monotonicNs())
{
    console = std::make_unique<BootConsole>(
        flashSize, [this](const QByteArray& bytes, qint64 delayUs) { enqueue(bytes, delayUs); },
        [this](ChipEvent::Kind kind, const QByteArray& text) {
            if (kind == ChipEvent::Knock)
                ++knocks;
            log.append({ kind, nowUs(), text });
        });
}

VirtualChip::~VirtualChip()
{
    running = false;
    wake();
    if (server.joinable())
        server.join();
    for (int fd : { masterFd, slaveFd, wakePipe[0], wakePipe[1] })
        if (fd >= 0)
            ::close(fd);
}

qint64 VirtualChip::nowUs() const
{
    return (monotonicNs() - epochNs) / 1000;
}

bool VirtualChip::start()
{
    masterFd = posix_openpt(O_RDWR | O_NOCTTY);
    if (masterFd < 0 || grantpt(masterFd) != 0 || unlockpt(masterFd) != 0)
        return false;
    char name[128] = {};
    if (ptsname_r(masterFd, name, sizeof name) != 0)
        return false;
    slavePath = QString::fromLocal8Bit(name);
    slaveFd = ::open(name, O_RDWR | O_NOCTTY);
    if (slaveFd < 0)
        return false;
    // A raw line: no echo, no line editing, no CR/LF translation.
    termios raw {};
    tcgetattr(slaveFd, &raw);
    cfmakeraw(&raw);
    tcsetattr(slaveFd, TCSANOW, &raw);
    fcntl(masterFd, F_SETFL, fcntl(masterFd, F_GETFL) | O_NONBLOCK);
    if (pipe(wakePipe) != 0)
        return false;
    fcntl(wakePipe[0], F_SETFL, O_NONBLOCK);
    fcntl(wakePipe[1], F_SETFL, O_NONBLOCK);
    running = true;
    server = std::thread([this] { serve(); });
    return true;
}

void VirtualChip::wake()
{
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(wakePipe[1], &byte, 1);
    }
}

void VirtualChip::configure(const std::function<void(ChipKnobs&)>& change)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        change(current);
    }
    wake();
}

ChipKnobs VirtualChip::knobs() const
{
    std::lock_guard<std::mutex> guard(lock);
    return current;
}

void VirtualChip::announceReady()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        enqueue("\r\nBoot abort\r\n", 0);
    }
    wake();
}

QList<ChipEvent> VirtualChip::events() const
{
    std::lock_guard<std::mutex> guard(lock);
    return log;
}

QList<QByteArray> VirtualChip::commands() const
{
    std::lock_guard<std::mutex> guard(lock);
    QList<QByteArray> lines;
    for (const ChipEvent& event : log)
        if (event.kind == ChipEvent::Command)
            lines.append(event.text);
    return lines;
}

int VirtualChip::knockCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return knocks;
}

void VirtualChip::clearEvents()
{
    std::lock_guard<std::mutex> guard(lock);
    log.clear();
    knocks = 0;
}

QByteArray VirtualChip::flash(int offset, int length) const
{
    std::lock_guard<std::mutex> guard(lock);
    return console->flash().mid(offset, length);
}

void VirtualChip::fillFlash(int offset, const QByteArray& bytes)
{
    std::lock_guard<std::mutex> guard(lock);
    console->flash().replace(offset, bytes.size(), bytes);
}

quint32 VirtualChip::partitionAddress() const
{
    std::lock_guard<std::mutex> guard(lock);
    return console->partitionAddress();
}

int VirtualChip::eraseCount() const
{
    std::lock_guard<std::mutex> guard(lock);
    return console->eraseCount();
}

qint64 VirtualChip::bytesSent() const
{
    std::lock_guard<std::mutex> guard(lock);
    return sent;
}

void VirtualChip::recordWire(bool on)
{
    std::lock_guard<std::mutex> guard(lock);
    recordingWire = on;
    bursts.clear();
}

QList<WireBurst> VirtualChip::wireBursts() const
{
    std::lock_guard<std::mutex> guard(lock);
    return bursts;
}

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
    qint64 notBefore = nowUs() + delayUs;
    if (!outgoing.isEmpty())
        notBefore = std::max(notBefore, outgoing.last().notBeforeUs);
    outgoing.append({ bytes, notBefore });
}

void VirtualChip::serve()
{
    pollfd fds[2] = { { masterFd, POLLIN, 0 }, { wakePipe[0], POLLIN, 0 } };
    while (running) {
        qint64 waitUs;
        {
            std::lock_guard<std::mutex> guard(lock);
            waitUs = nextWakeUs(nowUs());
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
        const qint64 now = nowUs();
        if (current.plugged != wasPlugged) {
            wasPlugged = current.plugged;
            console->reset();
            arriving.clear();
            arrivalNs.clear();
            outgoing.clear();
            onWire.clear();
            onWireDueNs.clear();
        }
        if (fds[0].revents & (POLLIN | POLLHUP | POLLERR))
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
        console->receive(arriving.at(done), current, arrivalNs.at(done) / 1000);
        ++done;
    }
    arriving.remove(0, done);
    arrivalNs.remove(0, done);
}

void VirtualChip::deliverToHost(qint64 now)
{
    const qint64 nowNs = now * 1000;
    const qint64 byteNs = byteTimeNs();
    // Bytes the chip has sent go onto the wire one after the other.
    while (!outgoing.isEmpty() && outgoing.first().notBeforeUs <= now) {
        const Outgoing next = outgoing.takeFirst();
        for (char byte : next.bytes) {
            lastDueNs = std::max(lastDueNs, std::max(nowNs, next.notBeforeUs * 1000)) + byteNs;
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
    const ssize_t written = ::write(masterFd, onWire.constData(), size_t(due));
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
    const qint64 nowNs = now * 1000;
    if (!arrivalNs.isEmpty())
        wait = std::min(wait, std::max<qint64>(0, (arrivalNs.first() - nowNs + 999) / 1000));
    if (!outgoing.isEmpty())
        wait = std::min(wait, std::max<qint64>(0, outgoing.first().notBeforeUs - now));
    if (!onWireDueNs.isEmpty()) {
        const qint64 latencyNs = qint64(current.adapterLatencyMs) * 1000000;
        const qint64 dueUs = std::max((onWireDueNs.first() + latencyNs + 999) / 1000, retryWriteAtUs);
        wait = std::min(wait, std::max<qint64>(0, dueUs - now));
    }
    const qint64 tick = console->nextTickUs(now);
    if (tick >= 0)
        wait = std::min(wait, tick);
    return wait;
}
