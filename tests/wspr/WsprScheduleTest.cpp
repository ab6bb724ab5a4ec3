// Slots, the choice of slots, the symbol clock within a transmission, and
// the clock state.
#include <gtest/gtest.h>

#include <sys/timex.h>

#include "wspr/ClockState.h"
#include "wspr/WsprMessage.h"
#include "wspr/WsprSchedule.h"

using namespace std::chrono_literals;
using Clock = TWsprSymbolClock::Clock;

namespace {

WsprUtc::time_point At(std::chrono::milliseconds sinceEpoch)
{
    return WsprUtc::time_point(std::chrono::duration_cast<WsprUtc::duration>(sinceEpoch));
}

}  // namespace

TEST(WsprSlots, ATransmissionStartsOneSecondAfterAnEvenMinute)
{
    struct Case {
        std::chrono::milliseconds Now;
        std::chrono::milliseconds NextStart;
    };
    const Case cases[] = {
        {0ms, 1s},                        // at the even minute: this slot
        {1s, 1s},                         // exactly at the start: still this one
        {1001ms, 121s},                   // a moment late: the next slot
        {60s, 121s},                      // an odd minute
        {119999ms, 121s},
        {-500ms, 1s},
        {-119500ms, -119s},               // before the epoch the slots run on
        {86400s * 20000 + 59s, 86400s * 20000 + 121s},
    };
    for (const Case& c : cases) {
        const int64_t slot = NextWsprSlot(At(c.Now));
        EXPECT_EQ(WsprTransmissionStart(slot), At(c.NextStart)) << c.Now.count();
        EXPECT_EQ(WsprSlotOf(WsprTransmissionStart(slot)), slot);
    }
}

TEST(WsprSlots, EveryNthSlotCountsFromTheFirst)
{
    TWsprSlotPicker picker(WsprEveryRule(3), 0);
    std::vector<int64_t> picked;
    for (int64_t slot = 500; slot < 510; ++slot)
        if (picker.Transmits(slot))
            picked.push_back(slot);
    EXPECT_EQ(picked, (std::vector<int64_t>{500, 503, 506, 509}));
}

TEST(WsprSlots, AShareOfTheSlotsIsPickedAtRandom)
{
    for (int percent : {1, 20, 50, 100}) {
        TWsprSlotPicker picker(WsprShareRule(percent), 42);
        int picked = 0;
        for (int64_t slot = 0; slot < 20000; ++slot)
            picked += picker.Transmits(slot);
        EXPECT_NEAR(picked / 200.0, percent, 1.0) << percent;
    }
    // Two beacons with different seeds do not pick the same slots.
    TWsprSlotPicker a(WsprShareRule(20), 1), b(WsprShareRule(20), 2);
    int both = 0;
    for (int64_t slot = 0; slot < 1000; ++slot)
        both += a.Transmits(slot) && b.Transmits(slot);
    EXPECT_LT(both, 100);
}

TEST(WsprSlots, ShareAndIntervalOutsideTheirRangesAreRefused)
{
    EXPECT_EQ(TWsprSlotRule{}.Value, WsprDefaultSharePercent);
    for (int percent : {0, -5, 101})
        EXPECT_THROW(WsprShareRule(percent), WsprError) << percent;
    for (int n : {0, -1, 1001})
        EXPECT_THROW(WsprEveryRule(n), WsprError) << n;
    try {
        WsprShareRule(0);
    } catch (const WsprError& e) {
        EXPECT_STREQ(e.what(), "Share of slots 0 % cannot be used: 1 to 100 % of the slots.");
    }
}

TEST(WsprSymbolClock, SymbolsAreDueOnTheExactGridWithoutDrift)
{
    TWsprSymbolClock clock;
    const Clock::time_point t0{1000s};
    clock.Start(t0);
    EXPECT_EQ(clock.Due(0), t0);
    EXPECT_EQ(clock.Due(3), t0 + 2048ms);  // 3 symbols are exactly 2.048 s
    EXPECT_EQ(clock.Due(162), t0 + 110592ms);
    EXPECT_LE(std::chrono::abs(clock.Due(161) - (t0 + std::chrono::nanoseconds(161LL * 2048000000 / 3))), 1ns);
}

// Ticks on time send every symbol once, in order, and end the transmission
// when the last symbol's time is over.
TEST(WsprSymbolClock, OnTimeTicksSendEachSymbolOnce)
{
    TWsprSymbolClock clock;
    const Clock::time_point t0{1000s};
    clock.Start(t0);
    EXPECT_EQ(clock.Tick(t0 - 1ms).Symbol, -1) << "before the start";
    std::vector<int> sent;
    for (Clock::time_point now = t0; !clock.Ended(); now = clock.NextTickTime()) {
        const TWsprSymbolClock::TTick tick = clock.Tick(now);
        EXPECT_EQ(tick.Skipped, 0);
        if (tick.Symbol >= 0)
            sent.push_back(tick.Symbol);
        ASSERT_LT(sent.size(), 200u);
    }
    ASSERT_EQ(sent.size(), 162u);
    for (int k = 0; k < 162; ++k)
        EXPECT_EQ(sent[static_cast<size_t>(k)], k);
    EXPECT_EQ(clock.Skipped(), 0);
}

// The rule for a tick that was held up: the symbol due now goes out at once;
// a symbol whose whole time passed unsent is left out and counted, never
// sent in another's place; nothing is sent twice.
TEST(WsprSymbolClock, AHeldUpTickSendsTheSymbolDueNowAndCountsWhatItLeftOut)
{
    struct Case {
        const char* What;
        double HeldUpSymbols;  // how late the tick after symbol 10 runs, in symbol lengths
        int Sent;
        int Skipped;
    };
    const Case cases[] = {
        {"early tick", -0.5, -1, 0},
        {"on time", 0, 11, 0},
        {"late within its own time", 0.5, 11, 0},
        {"late by one whole symbol", 1.0, 12, 1},
        {"late by one and a half", 1.5, 12, 1},
        {"late by two", 2.0, 13, 2},
    };
    for (const Case& c : cases) {
        TWsprSymbolClock clock;
        const Clock::time_point t0{1000s};
        clock.Start(t0);
        ASSERT_EQ(clock.Tick(clock.Due(10)).Symbol, 10);
        const auto late = std::chrono::duration_cast<Clock::duration>(c.HeldUpSymbols * (clock.Due(12) - clock.Due(11)));
        const TWsprSymbolClock::TTick tick = clock.Tick(clock.Due(11) + late);
        EXPECT_EQ(tick.Symbol, c.Sent) << c.What;
        EXPECT_EQ(tick.Skipped, c.Skipped) << c.What;
        // A second tick at the same moment sends nothing.
        EXPECT_EQ(clock.Tick(clock.Due(11) + late).Symbol, -1) << c.What;
        EXPECT_EQ(clock.Skipped(), c.Skipped + 10) << c.What << ": symbols 0 to 9 were never sent";
    }
}

TEST(WsprSymbolClock, TicksAfterTheEndEndTheTransmissionAndCountWhatWasNotSent)
{
    TWsprSymbolClock clock;
    clock.Start(Clock::time_point{1000s});
    ASSERT_EQ(clock.Tick(clock.Due(150)).Symbol, 150);
    const TWsprSymbolClock::TTick end = clock.Tick(clock.Due(162) + 5s);
    EXPECT_TRUE(end.Ended);
    EXPECT_EQ(end.Symbol, -1);
    EXPECT_EQ(end.Skipped, 11);
    EXPECT_FALSE(clock.Tick(clock.Due(162) + 6s).Ended) << "ends once";
}

// Each symbol goes out early by the median of the last transfer times, so a
// single slow transfer does not move the schedule, and a hung one counts as 50 ms.
TEST(WsprSymbolClock, SymbolsGoOutEarlyByTheMeasuredTransferTime)
{
    TWsprSymbolClock clock;
    EXPECT_EQ(clock.Lead(), Clock::duration::zero());
    for (auto took : {2ms, 3ms, 400ms})
        clock.MeasuredTransfer(took);
    EXPECT_EQ(clock.Lead(), 3ms);
    for (int i = 0; i < 9; ++i)
        clock.MeasuredTransfer(5s);
    EXPECT_EQ(clock.Lead(), TWsprSymbolClock::MaxLead);
    for (int i = 0; i < 9; ++i)
        clock.MeasuredTransfer(2ms);
    clock.Start(Clock::time_point{1000s});
    EXPECT_EQ(clock.NextTickTime(), clock.Due(0) - 2ms);
    EXPECT_EQ(clock.Tick(clock.Due(0) - 3ms).Symbol, -1);
    EXPECT_EQ(clock.Tick(clock.Due(0) - 2ms).Symbol, 0);
    EXPECT_EQ(clock.NextTickTime(), clock.Due(1) - 2ms);
}

TEST(ClockState, TheKernelsWordOnTheClockIsShownWithAWarningWhenUnsynchronized)
{
    struct Case {
        int Result;
        int Status;
        long EstErrorUs;
        const char* Text;
    };
    const Case cases[] = {
        {TIME_OK, STA_PLL, 250, "Clock synchronized (estimated error 0.2 ms)"},
        {TIME_INS, 0, 1500, "Clock synchronized (estimated error 1.5 ms)"},
        {TIME_ERROR, STA_UNSYNC, 16000000, "Clock NOT synchronized: WSPR needs it within 1 s of UTC (run an NTP client)"},
        {TIME_OK, STA_UNSYNC, 0, "Clock NOT synchronized: WSPR needs it within 1 s of UTC (run an NTP client)"},
        {-1, 0, 0, "Clock state unknown: check that the clock is within 1 s of UTC"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClockStateText(ClockStateOf(c.Result, c.Status, c.EstErrorUs)), c.Text) << c.Result;
    EXPECT_TRUE(ReadClockState().Known) << "adjtimex reads without privileges";
}
