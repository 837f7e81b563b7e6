// The worker's XMODEM-1K sender against a receiver none of us wrote: lrzsz's
// "rx -c" on the far end of a pseudo-terminal.
#include "DownloadWorker.h"
#include "WorkerHarness.h"
#include "WorkerSettings.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Plays the console up to "loadx": echoes the command, then hands the line to rx.
bool answerLoadx(int master)
{
    QByteArray heard;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!heard.contains("loadx\r")) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        pollfd fd { master, POLLIN, 0 };
        if (poll(&fd, 1, 50) > 0) {
            char chunk[256];
            const ssize_t got = ::read(master, chunk, sizeof chunk);
            if (got > 0)
                heard.append(chunk, int(got));
        }
    }
    const QByteArray echo("loadx\r\n");
    return ::write(master, echo.constData(), size_t(echo.size())) == echo.size();
}

// rx talks through pipes relayed to the line, so that its own terminal settings
// (it turns on software flow control where it can) never reach our port.
pid_t startReceiver(
    const QString& program, int toReceiver, int fromReceiver, const QString& directory, const QString& file)
{
    const QByteArray path = program.toLocal8Bit();
    const QByteArray where = directory.toLocal8Bit();
    const QByteArray target = file.toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        // rx refuses absolute paths in its default restricted mode.
        if (chdir(where.constData()) != 0)
            _exit(126);
        dup2(toReceiver, STDIN_FILENO);
        dup2(fromReceiver, STDOUT_FILENO);
        const int devnull = ::open("/dev/null", O_WRONLY);
        dup2(devnull, STDERR_FILENO);
        execl(path.constData(), path.constData(), "-c", "-q", target.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

// Copies bytes both ways between the line and the receiver until it exits.
void relay(int master, int toReceiver, int fromReceiver, const std::atomic<bool>& done)
{
    pollfd fds[2] = { { master, POLLIN, 0 }, { fromReceiver, POLLIN, 0 } };
    char chunk[4096];
    while (!done) {
        if (poll(fds, 2, 20) <= 0)
            continue;
        if (fds[0].revents & POLLIN) {
            const ssize_t got = ::read(master, chunk, sizeof chunk);
            if (got > 0 && ::write(toReceiver, chunk, size_t(got)) != got)
                return;
        }
        if (fds[1].revents & POLLIN) {
            const ssize_t got = ::read(fromReceiver, chunk, sizeof chunk);
            if (got <= 0)
                return;
            if (::write(master, chunk, size_t(got)) != got)
                return;
        } else if (fds[1].revents & POLLHUP) {
            return;
        }
    }
}

} // namespace

class XmodemPeerTest : public QObject {
    Q_OBJECT

private slots:
    void lrzszReceivesTheImage_data()
    {
        QTest::addColumn<int>("size");
        QTest::newRow("one short packet") << 100;
        QTest::newRow("exactly two packets") << 2048;
        QTest::newRow("300 packets, block numbers wrap") << 300 * 1024 + 77;
    }

    void lrzszReceivesTheImage()
    {
        QFETCH(int, size);
        const QString rx = QStandardPaths::findExecutable("rx");
        if (rx.isEmpty())
            QSKIP("lrzsz's rx is not installed (scripts/setup installs the Debian package lrzsz)");

        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        char name[128] = {};
        QCOMPARE(ptsname_r(master, name, sizeof name), 0);
        const int holder = ::open(name, O_RDWR | O_NOCTTY); // keeps the line up while the port reopens
        termios raw {};
        tcgetattr(holder, &raw);
        cfmakeraw(&raw);
        tcsetattr(holder, TCSANOW, &raw);
        tcgetattr(master, &raw);
        cfmakeraw(&raw);
        tcsetattr(master, TCSANOW, &raw);

        WorkerSettings settings(0);
        settings.portName = QString::fromLocal8Bit(name);
        QByteArray image(size, Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            image[i] = char((i * 31) ^ (i >> 8));
        settings.image = image;
        settings.packetCount = (size + 1023) / 1024;
        DownloadWorker worker;
        worker.settings = &settings;
        QStringList lines;
        connect(&worker, &DownloadWorker::sngLog, this, [&lines](const QString& text) { lines << text; });

        QTemporaryDir dir;
        const QString received = dir.filePath("received.bin");
        const QString receivedName = "received.bin";
        int input[2];
        int output[2];
        QVERIFY(pipe(input) == 0 && pipe(output) == 0);
        std::atomic<bool> done { false };
        pid_t receiver = -1;
        std::thread console([&] {
            if (!answerLoadx(master))
                return;
            receiver = startReceiver(rx, input[0], output[1], dir.path(), receivedName);
            ::close(input[0]);
            ::close(output[1]);
            relay(master, input[1], output[0], done);
        });
        QVERIFY(worker.openPort());
        const bool sent = worker.sendXmodem();
        done = true;
        console.join();
        ::close(input[1]);
        ::close(output[0]);
        worker.closePort();
        int status = -1;
        if (receiver > 0) {
            for (int i = 0; i < 100 && waitpid(receiver, &status, WNOHANG) == 0; ++i)
                QTest::qWait(50);
            if (waitpid(receiver, &status, WNOHANG) == 0) {
                kill(receiver, SIGKILL);
                waitpid(receiver, &status, 0);
            }
        }
        ::close(holder);
        ::close(master);

        QVERIFY2(sent, qPrintable(lines.join(" | ")));
        QVERIFY(receiver > 0);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "rx reports a complete transfer");
        QFile file(received);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const int padded = (size + 1023) / 1024 * 1024;
        QCOMPARE(bytes.size(), padded);
        QCOMPARE(bytes.left(size), image);
        QCOMPARE(bytes.mid(size), QByteArray(padded - size, char(0x1A)));
    }
};

QTEST_GUILESS_MAIN(XmodemPeerTest)
#include "tst_xmodempeer.moc"
