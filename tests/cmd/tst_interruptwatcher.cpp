// Ctrl+C handling of the console program, in a forked child so that the
// signals and the process exit do not touch the test runner.
#include "InterruptWatcher.h"

#include <QtTest>

#include <atomic>
#include <csignal>
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
