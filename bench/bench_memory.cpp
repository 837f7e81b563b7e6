// bench_memory: the console downloader as a program, with vynsim in a process
// of its own: its peak memory against the image size and its CPU time per
// wall second while it downloads.
#include "BenchImage.h"
#include "HostClock.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

pid_t spawn(const QStringList& arguments, const QString& output)
{
    QList<QByteArray> bytes;
    for (const QString& argument : arguments)
        bytes.append(argument.toLocal8Bit());
    QList<char*> argv;
    for (QByteArray& argument : bytes)
        argv.append(argument.data());
    argv.append(nullptr);
    const QByteArray outputPath = output.toLocal8Bit();
    const pid_t pid = fork();
    if (pid == 0) {
        const int out = ::open(outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execv(argv.first(), argv.data());
        _exit(127);
    }
    return pid;
}

// The high-water mark of the resident set, from /proc while the process runs.
long vmHwmKiB(pid_t pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

QString waitForPortName(const QString& portFile, pid_t simulator)
{
    for (int i = 0; i < 200; ++i) {
        QFile file(portFile);
        if (file.open(QIODevice::ReadOnly)) {
            const QString name = QString::fromLocal8Bit(file.readLine()).trimmed();
            if (!name.isEmpty())
                return name;
        }
        if (waitpid(simulator, nullptr, WNOHANG) != 0)
            return {};
        usleep(50000);
    }
    return {};
}

double cpuSeconds(const rusage& usage)
{
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("tervaskcmd's peak memory and CPU time against vynsim."));
    parser.addHelpOption();
    const QCommandLineOption baudOption(
        QStringLiteral("baud"), QStringLiteral("Baud rate."), QStringLiteral("rate"), QStringLiteral("921600"));
    const QCommandLineOption sizeOption(QStringLiteral("size"),
        QStringLiteral("Image bytes (the largest a 4 MiB flash takes by default)."), QStringLiteral("bytes"),
        QString::number(4 * 1024 * 1024 - 4096));
    parser.addOptions({ baudOption, sizeOption });
    parser.process(app);

    const QString baud = parser.value(baudOption);
    const QByteArray image = BenchImage::make(parser.value(sizeOption).toInt());
    QTemporaryDir dir;
    const QString imageFile = dir.filePath(QStringLiteral("image.bin"));
    const QString portFile = dir.filePath(QStringLiteral("port"));
    if (!BenchImage::save(image, imageFile))
        return 1;

    const pid_t simulator = spawn(
        { QStringLiteral(VYNSIM_PATH), QStringLiteral("--baud"), baud, QStringLiteral("--port-file"), portFile },
        dir.filePath(QStringLiteral("vynsim.out")));
    const QString port = waitForPortName(portFile, simulator);
    if (port.isEmpty()) {
        std::fprintf(stderr, "vynsim did not start\n");
        kill(simulator, SIGTERM);
        waitpid(simulator, nullptr, 0);
        return 1;
    }

    const QString output = dir.filePath(QStringLiteral("tervaskcmd.out"));
    const qint64 startUs = HostClock::nowUs();
    const pid_t downloader
        = spawn({ QStringLiteral(TERVASKCMD_PATH), QStringLiteral("--p"), port, QStringLiteral("--file"), imageFile,
                    QStringLiteral("--size"), QStringLiteral("4M"), QStringLiteral("--b"), baud },
            output);
    long sampledHwm = 0;
    int status = -1;
    rusage usage {};
    while (wait4(downloader, &status, WNOHANG, &usage) == 0) {
        sampledHwm = std::max(sampledHwm, vmHwmKiB(downloader));
        usleep(100000);
    }
    const double wall = double(HostClock::nowUs() - startUs) / 1e6;
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    QFile printed(output);
    const bool passed = WIFEXITED(status) && WEXITSTATUS(status) == 0 && printed.open(QIODevice::ReadOnly)
        && printed.readAll().contains("Download successed!");
    if (!passed) {
        std::fprintf(stderr, "tervaskcmd failed (status %d)\n", status);
        return 1;
    }
    // ru_maxrss is the kernel's own high-water mark of the finished process (VmHWM at its exit).
    const double peakMiB = double(std::max(sampledHwm, long(usage.ru_maxrss))) / 1024.0;
    const double imageMiB = double(image.size()) / (1024.0 * 1024.0);
    const double cpu = cpuSeconds(usage);
    std::printf("| program | image MiB | baud | wall s | CPU s | CPU s/s | peak memory (VmHWM) MiB | "
                "budget 3 × image + 40 MiB |\n");
    std::printf("|---|---|---|---|---|---|---|---|\n");
    std::printf("| tervaskcmd | %.2f | %s | %.3f | %.3f | %.4f | %.1f | %.1f |\n", imageMiB, qPrintable(baud), wall,
        cpu, cpu / wall, peakMiB, 3 * imageMiB + 40);
    return 0;
}
