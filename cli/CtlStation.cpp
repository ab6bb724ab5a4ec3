#include "cli/CtlStation.h"

#include <ostream>

#include "usb/SynthCommands.h"

void TCtlStation::ReadBoard()
{
    const TCtlOutcome outcome = RunCaught(call_, [this](TCtlCall& c) {
        c.Board.ChooseWithValues();
        const double mhz = RegisterOutputMHz(c.Board.Session().ReadRegisters(), FxtalMHz);
        if (mhz > 0)
            frequency_ = DisplayFrequencyOf(mhz * 1e6, scale_.Multiplier, scale_.OffsetMHz);
        return CtlOk;
    });
    if (outcome.Status != CtlOk)
        Say(outcome);
}

TRigStation::TSetResult TCtlStation::SetFrequency(double hz)
{
    bool unreachable = false;
    const TCtlOutcome outcome = RunCaught(call_, [&](TCtlCall& c) {
        c.Board.ChooseWithValues();  // its crystal and speed grade decide what it makes
        const double output = Si570FrequencyOf(hz, scale_.Multiplier, scale_.OffsetMHz);
        // Asked first: a refused frequency must not become the one a board
        // found again is sent.
        unreachable = !CanMakeFrequency(output) || !c.Board.Session().SetFrequency(output);
        return CtlOk;
    });
    if (outcome.Status != CtlOk) {
        Say(outcome);
        return TSetResult::Failed;
    }
    if (unreachable)
        return TSetResult::Unreachable;
    failing_ = false;
    frequency_ = hz;
    return TSetResult::Done;
}

void TCtlStation::Say(const TCtlOutcome& outcome)
{
    if (failing_)
        return;
    failing_ = true;
    call_.Env.Err << ErrorLine(outcome.Text, outcome.Status, call_.Json) << "\n" << std::flush;
}
