#include "VirtualChip.h"

#include "BootConsole.h"

#include <QFile>

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
            log.append({ kind, consoleClockUs(), text });
        });
    console->setFlooder([this](qint64 bytes) { floodLeft += bytes; });
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
    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
}

qint64 VirtualChip::nowUs() const
{
    return (monotonicNs() - epochNs) / 1000;
}

// A real chip answers a byte when it has arrived, not when this thread got
// round to it: answers and events take the arrival time of the byte they
// answer, so that the serving thread's own delays stay out of the line's timing.
qint64 VirtualChip::consoleClockUs() const
{
    return handlingArrivalUs >= 0 ? handlingArrivalUs : nowUs();
}

bool VirtualChip::openTerminal(Terminal& terminal)
{
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY);
    char name[128] = {};
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0
        || ptsname_r(terminal.master, name, sizeof name) != 0) {
        if (terminal.master >= 0)
            ::close(terminal.master);
        return false;
    }
    terminal.name = QString::fromLocal8Bit(name);
    terminal.slave = ::open(name, O_RDWR | O_NOCTTY);
    if (terminal.slave < 0) {
        ::close(terminal.master);
        return false;
    }
    // A raw line: no echo, no line editing, no CR/LF translation.
    termios raw {};
    tcgetattr(terminal.slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(terminal.slave, TCSANOW, &raw);
    fcntl(terminal.master, F_SETFL, fcntl(terminal.master, F_GETFL) | O_NONBLOCK);
    return true;
}

// The link is replaced in one step, so the host never finds the name missing
// once the new terminal is there.
bool VirtualChip::pointLink(const QString& target) const
{
    const QByteArray link = QFile::encodeName(linkPath);
    const QByteArray fresh = link + ".new";
    ::unlink(fresh.constData());
    return ::symlink(QFile::encodeName(target).constData(), fresh.constData()) == 0
        && ::rename(fresh.constData(), link.constData()) == 0;
}

bool VirtualChip::start(const QString& link)
{
    Terminal terminal;
    if (!openTerminal(terminal))
        return false;
    masterFd = terminal.master;
    slaveFd = terminal.slave;
    slavePath = terminal.name;
    linkPath = link;
    if (!linkPath.isEmpty() && !pointLink(slavePath))
        return false;
    if (pipe(wakePipe) != 0)
        return false;
    fcntl(wakePipe[0], F_SETFL, O_NONBLOCK);
    fcntl(wakePipe[1], F_SETFL, O_NONBLOCK);
    running = true;
    server = std::thread([this] { serve(); });
    return true;
}

QString VirtualChip::portName() const
{
    std::lock_guard<std::mutex> guard(lock);
    return linkPath.isEmpty() ? slavePath : linkPath;
}

QString VirtualChip::terminalName() const
{
    std::lock_guard<std::mutex> guard(lock);
    return slavePath;
}

// The serving thread closes the terminal itself: it may be polling it right now.
void VirtualChip::pullAdapter()
{
    std::unique_lock<std::mutex> guard(lock);
    if (masterFd < 0)
        return;
    if (running) {
        pullRequested = true;
        wake();
        adapterPulled.wait(guard, [this] { return !pullRequested; });
    } else {
        closeTerminal();
    }
    if (!linkPath.isEmpty())
        ::unlink(QFile::encodeName(linkPath).constData());
}

bool VirtualChip::plugAdapter()
{
    Terminal terminal;
    if (!openTerminal(terminal))
        return false;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (masterFd >= 0) {
            ::close(terminal.master);
            ::close(terminal.slave);
            return false; // still plugged
        }
        masterFd = terminal.master;
        slaveFd = terminal.slave;
        slavePath = terminal.name;
    }
    wake();
    return linkPath.isEmpty() || pointLink(terminal.name);
}

// Called with the lock held.
void VirtualChip::closeTerminal()
{
    ::close(masterFd);
    ::close(slaveFd);
    masterFd = -1;
    slaveFd = -1;
    console->reset();
    resetWire();
}

void VirtualChip::resetWire()
{
    arriving.clear();
    arrivalNs.clear();
    outgoing.clear();
    onWire.clear();
    onWireDueNs.clear();
    floodLeft = 0;
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
        console->receive(arriving.at(done), current, handlingArrivalUs);
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
    const qint64 tick = console->nextTickUs(now);
    if (tick >= 0)
        wait = std::min(wait, tick);
    return wait;
}
