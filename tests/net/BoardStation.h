#pragma once
// The station of the test host and the benchmarks: the real device link, on
// a handle kept open, tuning the chosen board through a multiplier and an
// offset as the main window does. Beneath libusb it is the virtual board.
#include <functional>

#include "net/RigStation.h"
#include "usb/KeptBoard.h"

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
    TKeptBoard board_;
    double frequency_ = 0;
};
