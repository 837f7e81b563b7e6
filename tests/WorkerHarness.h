#pragma once

#include "DownloadWorker.h"
#include "VirtualChip.h"
#include "WorkerSettings.h"

#include <QColor>
#include <QStringList>
#include <QtTest>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>

// A worker on the test's own thread, wired to a virtual chip, with every log
// line, every attempt report and every end of job recorded. Timings are
// shortened so that the silent-console cases run in well under a second each.
class WorkerHarness {
public:
    struct Line {
        QString text;
        QColor color;
    };

    explicit WorkerHarness(int workMode = 0)
        : settings(workMode)
    {
        if (!chip.start())
            qFatal("cannot open a pseudo-terminal");
        // Every line the worker sends must end as a real console needs it.
        chip.configure([](ChipKnobs& k) { k.strictLineEnds = true; });
        settings.portName = chip.portName();
        worker.settings = &settings;
        worker.setTiming(fastTiming());
        QObject::connect(
            &worker, &DownloadWorker::sngLog, &worker,
            [this](const QString& text, const QColor& color) {
                std::lock_guard<std::mutex> guard(lock);
                lines.append({ text, color });
            },
            Qt::DirectConnection);
        QObject::connect(
            &worker, &DownloadWorker::sngAttemptFinished, &worker,
            [this](const AttemptReport& report) {
                std::lock_guard<std::mutex> guard(lock);
                reports.append(report);
            },
            Qt::DirectConnection);
        QObject::connect(
            &worker, &DownloadWorker::sngFinishAll, &worker,
            [this](bool pass) {
                std::lock_guard<std::mutex> guard(lock);
                finishes.append(pass);
            },
            Qt::DirectConnection);
    }

    ~WorkerHarness()
    {
        if (stopper.joinable())
            stopper.join();
        // A failed test shows what the worker said.
        if (QTest::currentTestFailed())
            for (const Line& line : lines)
                qInfo().noquote() << "  log:" << line.text;
    }

    static LinkTiming fastTiming()
    {
        using ms = std::chrono::milliseconds;
        LinkTiming t;
        t.commandWrite = ms(200);
        t.commandReply = ms(60);
        t.newChipWait = ms(600);
        t.presenceInterval = ms(0);
        t.xmodemStart = ms(500);
        t.xmodemStartPoll = ms(50);
        t.packetWrite = ms(200);
        t.packetAnswerPolls = 20;
        t.eotAnswerPolls = 10;
        t.receiverQuit = ms(300);
        t.verifySettle = ms(10);
        t.verifyDrain = ms(20);
        t.verifyDefaultWait = ms(30);
        t.eraseReply = ms(60);
        t.dumpDrain = ms(20);
        t.dumpChunk = ms(500);
        t.autoJobPause = ms(20);
        return t;
    }

    void useImage(const QByteArray& bytes);

    // The chip's UART and the worker's port at one speed; 0 is an instant
    // wire, which takes the worker's speed whatever it is.
    void setBaud(int baud, int adapterLatencyMs = 0)
    {
        chip.configure([=](ChipKnobs& k) {
            k.baud = baud;
            k.adapterLatencyMs = adapterLatencyMs;
        });
        if (baud > 0)
            settings.BaudRate = QString::number(baud);
    }

    // Calls stop() from another thread after the delay, as a window's Stop button would.
    void stopAfter(int ms)
    {
        stopper = std::thread([this, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            worker.stop();
        });
    }

    // Runs a script on another thread while the worker blocks the test's thread
    // (plugging chips, pressing Stop); the script is joined when the harness goes.
    void meanwhile(std::function<void()> script) { stopper = std::thread(std::move(script)); }

    // The worker's red line for a port it cannot open now: the fixed text, then the system's reason.
    static QString openRefusal(const QString& portName, const QString& probedName = QString());

    // Polls until the condition holds; false after the timeout.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000)
    {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    QStringList texts() const
    {
        std::lock_guard<std::mutex> guard(lock);
        QStringList all;
        for (const Line& line : lines)
            all.append(line.text);
        return all;
    }

    QList<Line> allLines() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return lines;
    }

    QColor colorOf(const QString& text) const
    {
        std::lock_guard<std::mutex> guard(lock);
        for (const Line& line : lines)
            if (line.text == text)
                return line.color;
        return QColor();
    }

    int count(const QString& text) const { return texts().count(text); }

    QList<bool> finished() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return finishes;
    }

    QList<AttemptReport> attempts() const
    {
        std::lock_guard<std::mutex> guard(lock);
        return reports;
    }

    void clearLog()
    {
        std::lock_guard<std::mutex> guard(lock);
        lines.clear();
        finishes.clear();
        reports.clear();
    }

    VirtualChip chip;
    WorkerSettings settings;
    DownloadWorker worker;

private:
    mutable std::mutex lock;
    QList<Line> lines;
    QList<bool> finishes;
    QList<AttemptReport> reports;
    std::thread stopper;
};

// Whether the chip has seen an event of this kind yet.
inline bool hasEvent(const VirtualChip& chip, ChipEvent::Kind kind)
{
    for (const ChipEvent& event : chip.events())
        if (event.kind == kind)
            return true;
    return false;
}

// An image of pseudo-random bytes; another seed gives other bytes.
inline QByteArray pattern(int size, int seed = 1)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = quint32(seed) * 2654435761u;
    for (int i = 0; i < size; ++i) {
        state = state * 1103515245u + 12345u;
        bytes[i] = char(state >> 16);
    }
    return bytes;
}
