#include "VirtualChip.h"

#include "BootConsole.h"

#include <QFile>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
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
        [this](ChipEvent::Kind kind, const QByteArray& text, const QByteArray& terminator) {
            if (kind == ChipEvent::Knock)
                ++knocks;
            log.append({ kind, consoleClockUs(), text, terminator });
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
    // Close-on-exec: a program a test starts must not hold the terminal, or
    // pulling the adapter would leave the line up for it.
    terminal.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (terminal.master < 0 || grantpt(terminal.master) != 0 || unlockpt(terminal.master) != 0
        || ptsname_r(terminal.master, name, sizeof name) != 0) {
        if (terminal.master >= 0)
            ::close(terminal.master);
        return false;
    }
    terminal.name = QString::fromLocal8Bit(name);
    terminal.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
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

void VirtualChip::renameLink(const QString& path)
{
    std::lock_guard<std::mutex> guard(lock);
    linkPath = path;
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

int VirtualChip::insertNewChip()
{
    std::lock_guard<std::mutex> guard(lock);
    ShelvedChip fresh { QByteArray(console->flash().size(), char(0xFF)), 0x1000 };
    console->exchangeChip(fresh.flash, fresh.partition);
    shelf.insert(inSocket, fresh);
    inSocket = chipsMade++;
    return inSocket;
}

bool VirtualChip::insertChip(int number)
{
    std::lock_guard<std::mutex> guard(lock);
    if (number == inSocket)
        return true;
    if (!shelf.contains(number))
        return false;
    ShelvedChip back = shelf.take(number);
    console->exchangeChip(back.flash, back.partition);
    shelf.insert(inSocket, back);
    inSocket = number;
    return true;
}

int VirtualChip::chipNumber() const
{
    std::lock_guard<std::mutex> guard(lock);
    return inSocket;
}

void VirtualChip::announceReady()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        enqueue("\r\nBoot abort\r\n", 0);
    }
    wake();
}

LineSettings VirtualChip::hostLine() const
{
    std::lock_guard<std::mutex> guard(lock);
    return seenHostLine;
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
