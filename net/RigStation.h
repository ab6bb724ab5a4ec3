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
    };

    virtual ~TRigStation() = default;
    // The frequency as last set, in Hz.
    virtual double Frequency() const = 0;
    // Does not throw: a board that fails answers Failed.
    virtual TSetResult SetFrequency(double hz) = 0;
    virtual TRigRange Range() const = 0;
};
