#pragma once
// The station the windows program's network control tunes: the main
// window, whose frequency (before multiplier and offset) a client sets as
// typing it does and reads back. A frequency the board cannot make is
// refused before anything changes; while the board is kept busy (FSK
// keying, a beacon sending, a tool window such as the flasher open) every
// frequency is refused.
#include "net/RigStation.h"

class TWindowStation : public TRigStation {
public:
    double Frequency() const override;
    TSetResult SetFrequency(double hz) override;
    TRigRange Range() const override;

private:
    static bool Busy();
};
