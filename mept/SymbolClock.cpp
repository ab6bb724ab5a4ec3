#include "mept/SymbolClock.h"

void TSymbolClock::Start(Clock::time_point now, int intervalMs)
{
    deadline_ = now + std::chrono::milliseconds(intervalMs);
}

void TSymbolClock::Advance(Clock::time_point now, int intervalMs)
{
    const std::chrono::milliseconds interval(intervalMs);
    deadline_ += interval;
    if (deadline_ + interval < now)
        deadline_ = now;
}
