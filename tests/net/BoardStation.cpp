#include "BoardStation.h"

#include "usb/SynthCommands.h"

TRigStation::TSetResult TBoardStation::SetFrequency(double hz)
{
    const double output = hz * Multiplier + OffsetMHz * 1e6;
    TDividerSetting unused;
    // Asked first, so a frequency the board cannot make changes nothing.
    if (!FindDividers(output / 1e6, FxtalMHz, SpeedGrade, unused))
        return TSetResult::Unreachable;
    try {
        if (!session_.SetFrequency(output))
            return TSetResult::Unreachable;
    } catch (const UsbError&) {
        return TSetResult::Failed;
    }
    frequency_ = hz;
    if (OnSet)
        OnSet(hz);
    return TSetResult::Done;
}

// The widest the divider search reaches: the lowest DCO through the largest
// dividers up to the highest through the smallest.
TRigRange TBoardStation::Range() const
{
    if (!(Multiplier > 0))
        return {};  // no range a client could use
    const double low = DcoMinMHz / (11 * 128) * 1e6;
    const double high = DcoMaxMHz / 4 * 1e6;
    return {(low - OffsetMHz * 1e6) / Multiplier, (high - OffsetMHz * 1e6) / Multiplier};
}
