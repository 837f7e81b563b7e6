#pragma once

#include <QElapsedTimer>

// A deadline of a number of milliseconds from construction, on a monotonic clock.
class CountDownTimer {
public:
    explicit CountDownTimer(unsigned int ms);

    bool expired() const;
    // Milliseconds left before the deadline, 0 once it has passed.
    int remaining() const;

private:
    QElapsedTimer clock;
    qint64 duration;
};
