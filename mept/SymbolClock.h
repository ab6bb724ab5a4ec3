#pragma once
// The beacon's schedule: every tick is due a whole interval after the one
// before, counted from when that one was due rather than from when it ran, so
// late ticks do not push the rest of the transmission back.
#include <chrono>

class TSymbolClock {
public:
    using Clock = std::chrono::steady_clock;

    // The first tick one interval from now.
    void Start(Clock::time_point now, int intervalMs);
    // The tick that was due has run; the next is due one interval later.
    // When the program was held up for more than an interval, the missed
    // ticks are dropped rather than sent in a burst.
    void Advance(Clock::time_point now, int intervalMs);

    Clock::time_point Deadline() const { return deadline_; }

private:
    Clock::time_point deadline_{};
};

// Returns at the deadline: sleeps most of the time, then waits out the last
// moment awake, since a thread woken from sleep on a busy machine may be
// late and a running one is not. For senders whose ticks must be on time.
void WaitUntil(TSymbolClock::Clock::time_point deadline);
