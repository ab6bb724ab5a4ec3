#include "mept/SymbolClock.h"

#include <thread>

namespace {

constexpr auto SpinLast = std::chrono::microseconds(300);

}  // namespace

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

void WaitUntil(TSymbolClock::Clock::time_point deadline)
{
    std::this_thread::sleep_until(deadline - SpinLast);
    while (TSymbolClock::Clock::now() < deadline) {
    }
}
