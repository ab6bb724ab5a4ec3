// The symbol schedule: each tick is due one interval after the previous one
// was due, whenever it actually ran.
#include <gtest/gtest.h>

#include "mept/SymbolClock.h"

using namespace std::chrono_literals;

TEST(SymbolClock, TicksAreDueWholeIntervalsAfterTheStartHoweverLateTheyRun)
{
    const auto t0 = TSymbolClock::Clock::now();
    TSymbolClock clock;
    clock.Start(t0, 50);
    EXPECT_EQ(clock.Deadline(), t0 + 50ms);
    // Each tick runs 3 ms late; the schedule does not move.
    for (int i = 1; i <= 1000; ++i)
        clock.Advance(clock.Deadline() + 3ms, 50);
    EXPECT_EQ(clock.Deadline(), t0 + 50ms * 1001);
}

TEST(SymbolClock, ANewIntervalCountsFromTheTickThatSetIt)
{
    const auto t0 = TSymbolClock::Clock::now();
    TSymbolClock clock;
    clock.Start(t0, 100);
    clock.Advance(t0 + 101ms, 400);
    EXPECT_EQ(clock.Deadline(), t0 + 500ms);
    clock.Advance(t0 + 500ms, 100);
    EXPECT_EQ(clock.Deadline(), t0 + 600ms);
}

TEST(SymbolClock, AHoldUpOfMoreThanAnIntervalDropsTheMissedTicks)
{
    const auto t0 = TSymbolClock::Clock::now();
    TSymbolClock clock;
    clock.Start(t0, 50);
    clock.Advance(t0 + 99ms, 50);  // within one interval: catches up
    EXPECT_EQ(clock.Deadline(), t0 + 100ms);
    clock.Advance(t0 + 5100ms, 50);  // held up for seconds: starts again from now
    EXPECT_EQ(clock.Deadline(), t0 + 5100ms);
}
