#include "setup/CalibrationMath.h"

#include <cmath>
#include <cstdio>

#include "support/Errors.h"

double PpmFactor(const std::array<double, 5>& factors, int index)
{
    if (index < 0 || index >= static_cast<int>(factors.size()))
        throw RangeError("ppm step index out of range: " + std::to_string(index));
    return factors[static_cast<size_t>(index)];
}

bool CrystalInWindow(double crystalMHz)
{
    return crystalMHz > 110 && crystalMHz < 120;  // false for NaN
}

double PpmStepHz(int index, double frequencyHz)
{
    const long double tenths =
        (static_cast<long double>(PpmFactor(PpmDownFactors, index)) - 1) * frequencyHz * 10;
    return static_cast<double>(std::round(tenths) / 10);
}

std::string NominalStartupText(double nominalMHz)
{
    char text[64];
    std::snprintf(text, sizeof text, "%5.2f MHz", nominalMHz);
    return text;
}
