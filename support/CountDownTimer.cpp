#include "CountDownTimer.h"

CountDownTimer::CountDownTimer(unsigned int ms)
    : duration(ms)
{
    clock.start();
}

bool CountDownTimer::expired() const
{
    return clock.elapsed() >= duration;
}

int CountDownTimer::remaining() const
{
    const qint64 left = duration - clock.elapsed();
    return left > 0 ? int(left) : 0;
}
