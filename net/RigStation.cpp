#include "net/RigStation.h"

#include <algorithm>
#include <cmath>

#include "usb/Si570.h"

TRigRange RigRangeOf(double multiplier, double offsetMHz)
{
    if (!std::isfinite(multiplier) || multiplier == 0 || !std::isfinite(offsetMHz))
        return {};  // no range a client could use
    const double lowest = DcoMinMHz / (11 * 128) * 1e6;
    const double highest = DcoMaxMHz / 4 * 1e6;
    const double a = (lowest - offsetMHz * 1e6) / multiplier;
    const double b = (highest - offsetMHz * 1e6) / multiplier;
    return {std::min(a, b), std::max(a, b)};  // a negative multiplier turns it round
}
