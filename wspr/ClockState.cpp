#include "wspr/ClockState.h"

#include <sys/timex.h>

#include <cstdio>

TClockState ClockStateOf(int result, int status, long estimatedErrorUs)
{
    if (result < 0)
        return {};
    const bool synchronized = result != TIME_ERROR && !(status & STA_UNSYNC);
    return {true, synchronized, synchronized ? static_cast<double>(estimatedErrorUs) / 1000 : 0};
}

TClockState ReadClockState()
{
    timex tx{};  // modes 0: only read
    const int result = adjtimex(&tx);
    return ClockStateOf(result, tx.status, tx.esterror);
}

std::string ClockStateText(const TClockState& state)
{
    if (!state.Known)
        return "Clock state unknown: check that the clock is within 1 s of UTC";
    if (!state.Synchronized)
        return "Clock NOT synchronized: WSPR needs it within 1 s of UTC (run an NTP client)";
    char text[80];
    std::snprintf(text, sizeof text, "Clock synchronized (estimated error %.1f ms)", state.EstimatedErrorMs);
    return text;
}
