#include "setup/CalibrationMath.h"

#include <cmath>
#include <cstdio>

#include "support/Errors.h"
#include "support/NumberText.h"

int PpmStepIndex(double ppm)
{
    for (size_t i = 0; i < PpmSteps.size(); ++i)
        if (PpmSteps[i] == ppm)
            return static_cast<int>(i);
    return -1;
}

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

std::string StartupNearText(double nominalMHz)
{
    return "Startup frequency must be near " + NominalStartupText(nominalMHz);
}

std::string CrystalFoundText(double crystalMHz)
{
    return "crystal frequency = " + FormatGeneral(crystalMHz) + " MHz";
}
