#pragma once
// Drives a beacon's clocks instead of waiting: UTC runs with the monotonic
// clock from the even minute of slot 1000, and each poll happens when the
// beacon asks to be woken.
#include <chrono>
#include <functional>
#include <vector>

#include "sim/VirtualBoard.h"
#include "wspr/WsprBeacon.h"

struct TBeaconDriver {
    using Clock = TWsprBeacon::Clock;
    static constexpr int64_t FirstSlot = 1000;

    static constexpr Clock::time_point T0{};
    Clock::time_point Now = T0 + std::chrono::milliseconds(200);
    WsprUtc::time_point Utc() const;
    // The monotonic time at which UTC reads `utc`.
    Clock::time_point At(WsprUtc::time_point utc) const;

    // When set, the clock stops there too (a test's next event), not only
    // where the beacon asks to be woken: an extra poll finds nothing to do.
    std::function<Clock::time_point()> NextEvent;

    // A register write the board received, and the UTC time of the poll that sent it.
    struct TWrite {
        WsprUtc::time_point At;
        TRegisterBlock Block;
    };

    // Polls until `done` (checked after each poll) or `maxPolls`; `between`
    // runs after each poll, before the clock moves on.
    std::vector<TWrite> Run(TWsprBeacon& beacon, VirtualBoard& board, const std::function<bool()>& done,
                            const std::function<void()>& between = {}, int maxPolls = 100000);
    // Until the beacon has ended one more transmission.
    std::vector<TWrite> RunTransmission(TWsprBeacon& beacon, VirtualBoard& board);
};
