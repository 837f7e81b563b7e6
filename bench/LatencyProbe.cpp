#include "LatencyProbe.h"

#include <algorithm>

LatencyProbe::LatencyProbe(int intervalMs, QObject* parent)
    : QObject(parent)
    , intervalMs(intervalMs)
{
    timer.setTimerType(Qt::PreciseTimer);
    timer.setInterval(intervalMs);
    connect(&timer, &QTimer::timeout, this, &LatencyProbe::onTick);
}

void LatencyProbe::start()
{
    lateMs.clear();
    sinceLast.start();
    timer.start();
}

void LatencyProbe::stop()
{
    timer.stop();
}

void LatencyProbe::onTick()
{
    lateMs.push_back(std::max(0.0, double(sinceLast.nsecsElapsed()) / 1e6 - intervalMs));
    sinceLast.restart();
}

double LatencyProbe::percentileMs(double fraction) const
{
    if (lateMs.empty())
        return 0;
    std::vector<double> sorted = lateMs;
    std::sort(sorted.begin(), sorted.end());
    return sorted[std::min(sorted.size() - 1, size_t(fraction * double(sorted.size())))];
}

double LatencyProbe::maxMs() const
{
    return lateMs.empty() ? 0 : *std::max_element(lateMs.begin(), lateMs.end());
}
