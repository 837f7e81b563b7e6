#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <vector>

// How late the calling thread's event loop runs: a precise timer every
// interval notes by how much each tick came after the one before it plus
// the interval.
class LatencyProbe : public QObject {
    Q_OBJECT

public:
    explicit LatencyProbe(int intervalMs, QObject* parent = nullptr);

    void start();
    void stop();

    double percentileMs(double fraction) const;
    double maxMs() const;

private:
    void onTick();

    int intervalMs;
    QTimer timer;
    QElapsedTimer sinceLast;
    std::vector<double> lateMs;
};
