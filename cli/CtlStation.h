#pragma once
// The station quorvexctl serve tunes for station programs: the chosen board,
// in the session that keeps it open, its Si570 set to f x multiplier +
// offset as set computes it, with the board's crystal and speed grade. A
// board that is away or fails is said on standard error once, until a
// frequency gets through again.
#include "cli/CtlCommands.h"
#include "net/RigStation.h"

class TCtlStation : public TRigStation {
public:
    TCtlStation(TCtlCall& call, const TFrequencyScale& scale) : call_(call), scale_(scale) {}

    // What the board makes now becomes the frequency f answers until a
    // client sets one; a board that cannot be read is said.
    void ReadBoard();

    double Frequency() const override { return frequency_; }
    TSetResult SetFrequency(double hz) override;
    TRigRange Range() const override { return RigRangeOf(scale_.Multiplier, scale_.OffsetMHz); }

private:
    void Say(const TCtlOutcome& outcome);

    TCtlCall& call_;
    TFrequencyScale scale_;
    double frequency_ = 0;
    bool failing_ = false;
};
