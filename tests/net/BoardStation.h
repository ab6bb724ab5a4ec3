#pragma once
// The station of the test host and the benchmarks: the real device link, in
// a session that keeps the chosen board open, tuning it through a multiplier
// and an offset as the main window does. Beneath libusb it is the virtual
// board.
#include <functional>

#include "net/RigStation.h"
#include "usb/BoardSession.h"

class TBoardStation : public TRigStation {
public:
    double Multiplier = 1;
    double OffsetMHz = 0;
    // Told every frequency set, after the board got it.
    std::function<void(double hz)> OnSet;

    double Frequency() const override { return frequency_; }
    TSetResult SetFrequency(double hz) override;
    TRigRange Range() const override;

private:
    TBoardSession session_;
    double frequency_ = 0;
};
