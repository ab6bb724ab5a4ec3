#pragma once
// The arithmetic of the crystal calibration: the ppm steps, the window a
// calibrated crystal must fall in, the step shown in Hz, and the texts that
// report a calibration, the same in the setup dialog and on the command line.
// No Qt, no USB.
#include <array>
#include <string>

// Multiplying the crystal by a down factor lowers the output by that many ppm.
constexpr std::array<double, 5> PpmDownFactors{1.0000001, 1.000001, 1.00001, 1.0001, 1.001};
constexpr std::array<double, 5> PpmUpFactors{0.9999999, 0.999999, 0.99999, 0.9999, 0.999};

// The steps in ppm, by index: the choices of the setup dialog.
constexpr std::array<double, 5> PpmSteps{0.1, 1, 10, 100, 1000};
// The index of a step in ppm; -1 when it is none of them.
int PpmStepIndex(double ppm);

// The factor of step index 0..4 of a table; RangeError for any other index.
double PpmFactor(const std::array<double, 5>& factors, int index);

// A crystal the Si570 can really have: strictly inside 110..120 MHz. Not a
// number is outside.
bool CrystalInWindow(double crystalMHz);

// The step of index 0..4 at the display frequency in Hz, to 0.1 Hz.
double PpmStepHz(int index, double frequencyHz);

// "56.32 MHz" for 56.32: at least five characters, two decimals.
std::string NominalStartupText(double nominalMHz);

// A calibration that found a crystal outside the window: the start-up
// frequency it was given is not the chip's.
constexpr const char* CrystalOutsideText = "Warning: found crystal not in 110...120MHz!";
constexpr const char* WrongStartupText = "Wrong factory startup frequency selected!";
// "Startup frequency must be near 56.32 MHz"
std::string StartupNearText(double nominalMHz);
// "crystal frequency = 114.2852 MHz"
std::string CrystalFoundText(double crystalMHz);
constexpr const char* ShiftedText = "Calibration and output frequency shifted successfully!  ";
