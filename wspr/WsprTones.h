#pragma once
// The four WSPR tones and the Si570 registers that make them: one divider
// setting (HS_DIV, N1) for all four, so a tone change writes new RFREQ bits
// only and the oscillator never restarts within a transmission. No Qt here.
#include <array>

#include "usb/Si570.h"

constexpr double WsprToneSpacingHz = 12000.0 / 8192;
constexpr int WsprSymbolCount = 162;
constexpr double WsprAudioMinHz = 1400;
constexpr double WsprAudioMaxHz = 1600;
constexpr double WsprAudioDefaultHz = 1500;

// The tones on the air for a dial frequency and an audio offset, which is
// the centre of the four (as receivers report it). WsprError for an offset
// outside 1400..1600 Hz or a dial frequency that is not a positive number.
std::array<double, 4> WsprToneFrequencies(double dialHz, double audioHz);

struct TWsprTonePlan {
    int HsCode = 0;
    int N1Minus1 = 0;
    std::array<double, 4> WantedHz{};  // the Si570 outputs asked for
    std::array<TRegisterBlock, 4> Registers{};
    std::array<double, 4> MadeHz{};  // what the registers make with the program's crystal value

    // The largest distance between a made and a wanted output.
    double MaxErrorHz() const;
};

// One divider setting whose DCO stays in range for all four outputs (the
// lowest DCO wins, as for a single frequency), and RFREQ for each. WsprError
// naming the frequencies when none fits or the crystal value is unusable.
TWsprTonePlan PlanWsprTones(const std::array<double, 4>& outputHz, double fxtalMHz, int speedGrade);
