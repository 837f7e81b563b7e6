// Appends 100,000 coloured lines to a shown log view and prints what the first
// and the last thousand cost. Appending must not slow down as the log grows.
// Processor time is printed beside wall time: it is what other work on a
// shared machine does not inflate.
#include "LogView.h"

#include <QApplication>
#include <QColor>
#include <QElapsedTimer>
#include <QTextEdit>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
struct Cost {
    double wallMs;
    double cpuMs;
};

double average(const std::vector<Cost>& costs, size_t from, size_t count, double Cost::*field)
{
    double sum = 0;
    for (size_t i = from; i < from + count; ++i)
        sum += costs[i].*field;
    return sum / double(count);
}
} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTextEdit edit;
    edit.setReadOnly(true);
    edit.setStyleSheet(QStringLiteral("QTextEdit {font: times bold 13pt; background: black }"));
    edit.resize(598, 300);
    edit.show();
    LogView log(&edit);

    // The colour mix of a download: echoes and packet lines in yellow between
    // progress, success, retry and error lines.
    const QColor colours[] = { Qt::white, Qt::yellow, Qt::yellow, Qt::green, Qt::lightGray, Qt::yellow, Qt::red };
    const int lines = 100000;
    const int block = 1000;
    std::vector<Cost> costs;
    QElapsedTimer all;
    all.start();
    QElapsedTimer wall;
    wall.start();
    std::clock_t cpu = std::clock();
    for (int i = 0; i < lines; ++i) {
        log.appendLog(QStringLiteral("Send packet %1 of the image, 1024 bytes").arg(i), colours[i % 7]);
        // The window returns to its event loop after every line it receives.
        QCoreApplication::processEvents();
        if ((i + 1) % block == 0) {
            const std::clock_t now = std::clock();
            costs.push_back({ double(wall.restart()), 1000.0 * double(now - cpu) / CLOCKS_PER_SEC });
            cpu = now;
        }
    }

    const size_t blocks = costs.size();
    std::printf("per %d lines        wall ms   cpu ms\n", block);
    std::printf("first block         %7.0f  %7.0f\n", costs.front().wallMs, costs.front().cpuMs);
    std::printf("last block          %7.0f  %7.0f\n", costs.back().wallMs, costs.back().cpuMs);
    std::printf("first ten, average  %7.0f  %7.0f\n", average(costs, 0, 10, &Cost::wallMs),
        average(costs, 0, 10, &Cost::cpuMs));
    std::printf("last ten, average   %7.0f  %7.0f\n", average(costs, blocks - 10, 10, &Cost::wallMs),
        average(costs, blocks - 10, 10, &Cost::cpuMs));
    std::printf("all %d lines: %lld ms\n", lines, static_cast<long long>(all.elapsed()));
    return 0;
}
