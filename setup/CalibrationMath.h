#pragma once
// The arithmetic of the crystal calibration: the ppm steps, the window a
// calibrated crystal must fall in, and the step shown in Hz. No Qt, no USB.
#include <array>
#include <string>

// Multiplying the crystal by a down factor lowers the output by that many ppm.
constexpr std::array<double, 5> PpmDownFactors{1.0000001, 1.000001, 1.00001, 1.0001, 1.001};
constexpr std::array<double, 5> PpmUpFactors{0.9999999, 0.999999, 0.99999, 0.9999, 0.999};

// The factor of step index 0..4 of a table; RangeError for any other index.
double PpmFactor(const std::array<double, 5>& factors, int index);

// A crystal the Si570 can really have: strictly inside 110..120 MHz. Not a
// number is outside.
bool CrystalInWindow(double crystalMHz);

// The step of index 0..4 at the display frequency in Hz, to 0.1 Hz.
double PpmStepHz(int index, double frequencyHz);

// "56.32 MHz" for 56.32: at least five characters, two decimals.
std::string NominalStartupText(double nominalMHz);
