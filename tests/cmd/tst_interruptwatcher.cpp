// Ctrl+C handling of the console program, in a forked child so that the
// signals and the process exit do not touch the test runner.
#include "InterruptWatcher.h"

#include <QtTest>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Runs `child` in a forked process and returns its exit status, or -1 when it
// did not exit normally.
int runInChild(const std::function<int()>& child)
{
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(child());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Whether the thread sleeps in write(2): read from /proc, -1 when the kernel does not say.
int blockedInWrite(pid_t thread)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/self/task/%d/syscall", int(thread));
    FILE* file = std::fopen(path, "r");
    if (!file)
        return -1;
    long number = -1;
    const int fields = std::fscanf(file, "%ld", &number);
    std::fclose(file);
    return fields == 1 ? int(number == SYS_write) : -1;
}

constexpr int noSyscallInfo = 50;

} // namespace

class InterruptWatcherTest : public QObject {
    Q_OBJECT

private slots:
    void firstSignalCallsBackOnAnotherThread_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::newRow("Ctrl+C") << SIGINT;
        QTest::newRow("SIGTERM") << SIGTERM;
    }

    void firstSignalCallsBackOnAnotherThread()
    {
        QFETCH(int, signalNumber);
        const int status = runInChild([signalNumber] {
            const std::thread::id mainThread = std::this_thread::get_id();
            std::atomic<int> calls { 0 };
            std::atomic<bool> onOtherThread { false };
            {
                InterruptWatcher watcher(
                    [&] {
                        onOtherThread = std::this_thread::get_id() != mainThread;
                        ++calls;
                    },
                    9);
                if (watcher.interrupted())
                    return 10;
                ::raise(signalNumber);
                for (int i = 0; i < 2000 && calls == 0; ++i)
                    ::usleep(1000);
                if (!watcher.interrupted())
                    return 11;
            }
            if (calls != 1)
                return 12;
            return onOtherThread ? 0 : 13;
        });
        QCOMPARE(status, 0);
    }

    void secondSignalEndsTheProcessAtOnce()
    {
        // The callback never returns, as a stop that hangs: only the second signal can end the child.
        const int status = runInChild([] {
            std::atomic<bool> entered { false };
            InterruptWatcher watcher(
                [&] {
                    entered = true;
                    for (;;)
                        ::pause();
                },
                7);
            ::raise(SIGINT);
            for (int i = 0; i < 2000 && !entered; ++i)
                ::usleep(1000);
            ::raise(SIGTERM);
            return 20;
        });
        QCOMPARE(status, 7);
    }

    // Ctrl+C while standard output is blocked (a terminal scrolled back, a pipe
    // nobody reads yet): the line being written still goes out whole.
    void signalDoesNotCutABlockedWriteShort()
    {
        const int status = runInChild([] {
            int pipeEnds[2];
            if (::pipe(pipeEnds) != 0)
                return 40;
            ::fcntl(pipeEnds[1], F_SETFL, O_NONBLOCK);
            const char filler[4096] = {};
            while (::write(pipeEnds[1], filler, sizeof filler) > 0) { }
            ::fcntl(pipeEnds[1], F_SETFL, 0);

            std::atomic<int> calls { 0 };
            InterruptWatcher watcher([&] { ++calls; }, 9);
            static const char line[] = "Download successed!\n";
            std::atomic<pid_t> writerId { 0 };
            std::atomic<ssize_t> written { 0 };
            std::atomic<bool> done { false };
            std::thread writer([&] {
                writerId = pid_t(::syscall(SYS_gettid));
                written = ::write(pipeEnds[1], line, sizeof line - 1);
                done = true;
            });
            int blocked = 0;
            for (int i = 0; i < 5000 && blocked == 0; ++i) {
                ::usleep(1000);
                blocked = writerId != 0 ? blockedInWrite(writerId) : 0;
            }
            if (blocked == 1) {
                ::pthread_kill(writer.native_handle(), SIGINT);
                for (int i = 0; i < 2000 && calls == 0; ++i)
                    ::usleep(1000);
            }
            // The reader catches up: whatever the write did, it ends.
            ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
            char drained[sizeof filler];
            for (int i = 0; i < 5000 && !done; ++i)
                if (::read(pipeEnds[0], drained, sizeof drained) < 0)
                    ::usleep(1000);
            writer.join();
            if (blocked != 1)
                return blocked < 0 ? noSyscallInfo : 41;
            if (calls != 1)
                return 42;
            return written == ssize_t(sizeof line - 1) ? 0 : 43;
        });
        if (status == noSyscallInfo)
            QSKIP("the kernel does not show a thread's system call in /proc");
        QCOMPARE(status, 0);
    }

    void handlersAreRestoredWhenTheWatcherEnds()
    {
        const int status = runInChild([] {
            {
                InterruptWatcher watcher([] {}, 7);
            }
            struct sigaction current = {};
            ::sigaction(SIGINT, nullptr, &current);
            return current.sa_handler == SIG_DFL ? 0 : 30;
        });
        QCOMPARE(status, 0);
    }
};

QTEST_GUILESS_MAIN(InterruptWatcherTest)
#include "tst_interruptwatcher.moc"
