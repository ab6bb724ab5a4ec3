#include "net/WindowStation.h"

#include "app/UQuorvex.h"
#include "mept/U_MEPT.h"
#include "usb/SynthCommands.h"
#include "wspr/UWspr.h"

double TWindowStation::Frequency() const
{
    return ::Frequency;
}

// A tool window open (the main window takes no input then), FSK keying (the
// field is off), a beacon sending.
bool TWindowStation::Busy()
{
    return !FormMain || !FormMain->isEnabled() || !FormMain->Edit1->isEnabled() || (FormWspr && FormWspr->Beacon) ||
           (F_MEPT && F_MEPT->Timer1->isActive());
}

TRigStation::TSetResult TWindowStation::SetFrequency(double hz)
{
    if (Busy())
        return TSetResult::Busy;
    // What the field will hold, asked first: typing a frequency the board
    // cannot make would still make it the shown and the wanted one.
    if (!CanMakeFrequency(OutputFrequencyOf(FormMain->FieldFrequencyOf(hz))))
        return TSetResult::Unreachable;
    return FormMain->EnterFrequency(hz) ? TSetResult::Done : TSetResult::Failed;
}

TRigRange TWindowStation::Range() const
{
    return RigRangeOf(Multiplier, Offset);
}
