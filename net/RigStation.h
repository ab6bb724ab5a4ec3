#pragma once
// What network control tunes: the frequency the host shows its operator
// (before multiplier and offset). The windows program and quorvexctl each
// plug in their own. No Qt here.

// The frequencies the board can make, as the station counts them.
struct TRigRange {
    double LowHz = 0;
    double HighHz = 0;
};

class TRigStation {
public:
    enum class TSetResult {
        Done,         // set, and the board makes it
        Unreachable,  // the board cannot make it: nothing changed
        Failed,       // it could not be sent (no board, a failed transfer)
        Busy,         // the host does not take a frequency now (keying, a beacon)
    };

    virtual ~TRigStation() = default;
    // The frequency as last set, in Hz.
    virtual double Frequency() const = 0;
    // Does not throw: a board that fails answers Failed.
    virtual TSetResult SetFrequency(double hz) = 0;
    virtual TRigRange Range() const = 0;
};

// The board's reach as a station counts frequencies: the Si570's widest
// output (the lowest DCO through the largest dividers up to the highest
// through the smallest) taken back through the multiplier and the offset
// (MHz). Empty (0 to 0) for a multiplier of 0 or one that is not finite.
TRigRange RigRangeOf(double multiplier, double offsetMHz);
