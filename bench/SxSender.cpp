#include "SxSender.h"

#include "LineSetup.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray loadxEcho("loadx\r\n");

bool writeAll(int fd, const char* data, qsizetype size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n > 0) {
            data += n;
            size -= n;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p { fd, POLLOUT, 0 };
            poll(&p, 1, 100);
        } else if (n < 0 && errno != EINTR) {
            return false;
        }
    }
    return true;
}

pid_t startSx(const QString& program, const QString& file, int toSx, int fromSx)
{
    const QByteArray path = program.toLocal8Bit();
    const QByteArray dir = QFileInfo(file).absolutePath().toLocal8Bit();
    const QByteArray name = QFileInfo(file).fileName().toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.constData()) != 0)
            _exit(126);
        dup2(toSx, STDIN_FILENO);
        dup2(fromSx, STDOUT_FILENO);
        const int devnull = ::open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        execl(path.constData(), path.constData(), "-k", "-b", "-q", name.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

} // namespace

QString SxSender::program()
{
    return QStandardPaths::findExecutable(QStringLiteral("sx"));
}

bool SxSender::send(const QString& portName, int baud, const QString& file, int timeoutMs)
{
    // sx leaves as soon as EOT is answered, maybe while the relay still writes to it.
    std::signal(SIGPIPE, SIG_IGN);
    const QString sx = program();
    if (sx.isEmpty()) {
        why = QStringLiteral("sx is not installed (Debian package lrzsz)");
        return false;
    }
    const int line = ::open(portName.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (line < 0) {
        why = QStringLiteral("cannot open ") + portName;
        return false;
    }
    if (!LineSetup::raw8N1(line, baud)) {
        ::close(line);
        why = QStringLiteral("cannot set %1 to %2 baud").arg(portName).arg(baud);
        return false;
    }
    int toSx[2];
    int fromSx[2];
    if (pipe(toSx) != 0 || pipe(fromSx) != 0) {
        ::close(line);
        why = QStringLiteral("no pipes");
        return false;
    }
    const pid_t pid = startSx(sx, file, toSx[0], fromSx[1]);
    ::close(toSx[0]);
    ::close(fromSx[1]);

    const bool relayed = relay(line, toSx[1], fromSx[0], timeoutMs);
    ::close(toSx[1]);
    ::close(fromSx[0]);
    ::close(line);

    int status = -1;
    if (!relayed)
        kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    if (relayed && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
        why = QStringLiteral("sx exited with status %1").arg(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
        return false;
    }
    return relayed;
}

// The chip's echo of "loadx" is the console's, not the receiver's: sx sees
// only what follows it, beginning with the receiver's 'C'.
bool SxSender::relay(int line, int toSx, int fromSx, int timeoutMs)
{
    if (!writeAll(line, "loadx\r", 6)) {
        why = QStringLiteral("cannot write to the line");
        return false;
    }
    QByteArray beforeReceiver;
    bool receiverReached = false;
    QElapsedTimer clock;
    clock.start();
    pollfd fds[2] = { { line, POLLIN, 0 }, { fromSx, POLLIN, 0 } };
    char chunk[4096];
    for (;;) {
        if (clock.elapsed() > timeoutMs) {
            why = QStringLiteral("sx did not finish in time");
            return false;
        }
        if (poll(fds, 2, 200) <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t got = ::read(line, chunk, sizeof chunk);
            if (got > 0 && receiverReached) {
                if (!writeAll(toSx, chunk, got))
                    return true; // sx has gone: its status tells
            } else if (got > 0) {
                beforeReceiver.append(chunk, int(got));
                const int echoAt = beforeReceiver.indexOf(loadxEcho);
                if (echoAt >= 0) {
                    receiverReached = true;
                    const QByteArray rest = beforeReceiver.mid(echoAt + loadxEcho.size());
                    if (!rest.isEmpty() && !writeAll(toSx, rest.constData(), rest.size()))
                        return true;
                }
            }
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t got = ::read(fromSx, chunk, sizeof chunk);
            if (got <= 0)
                return true;
            if (!writeAll(line, chunk, got)) {
                why = QStringLiteral("cannot write to the line");
                return false;
            }
        } else if (fds[1].revents & (POLLHUP | POLLERR)) {
            return true;
        }
    }
}
