// The four tones and the one divider setting that makes them.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "wspr/WsprMessage.h"
#include "wspr/WsprTones.h"

namespace {

constexpr double Nan = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

int DividerOf(const TRegisterBlock& b)
{
    return HsDivOfCode(b[0] >> 5) * (((b[0] & 0x1F) << 2 | b[1] >> 6) + 1);
}

// What every plan must hold: one divider in all four blocks, every DCO in
// the window, each made tone within `tolerance` of the wanted one.
void ExpectSmoothTones(const TWsprTonePlan& plan, double fxtalMHz, double tolerance)
{
    for (size_t k = 0; k < 4; ++k) {
        const TRegisterBlock& b = plan.Registers[k];
        EXPECT_EQ(DividerOf(b), DividerOf(plan.Registers[0])) << "tone " << k;
        EXPECT_EQ(b[0] >> 5, plan.HsCode);
        const double dco = RegisterOutputMHz(b, fxtalMHz) * DividerOf(b);
        EXPECT_GE(dco, DcoMinMHz);
        EXPECT_LE(dco, DcoMaxMHz);
        EXPECT_NEAR(plan.MadeHz[k], plan.WantedHz[k], tolerance) << "tone " << k;
    }
}

}  // namespace

TEST(WsprTones, TheFourTonesAreSpacedAroundTheAudioOffset)
{
    const auto tones = WsprToneFrequencies(14095600, 1500);
    EXPECT_DOUBLE_EQ((tones[1] + tones[2]) / 2, 14097100);
    for (size_t k = 1; k < 4; ++k)
        EXPECT_DOUBLE_EQ(tones[k] - tones[k - 1], 12000.0 / 8192);
    for (double audio : {1399.9, 1600.1, Nan})
        EXPECT_THROW(WsprToneFrequencies(14095600, audio), WsprError) << audio;
    for (double dial : {0.0, -1.0, Inf, Nan})
        EXPECT_THROW(WsprToneFrequencies(dial, 1500), WsprError) << dial;
    EXPECT_NO_THROW(WsprToneFrequencies(14095600, 1400));
    EXPECT_NO_THROW(WsprToneFrequencies(14095600, 1600));
}

// The customary dial frequencies the Si570 reaches, at both ends of the
// audio band and with an uncalibrated and a calibrated crystal.
TEST(WsprTones, EveryBandGetsOneDividerSettingAndTonesWithinAHundredthOfAHertz)
{
    const double dials[] = {3568600, 5287200, 7038600, 10138700, 14095600, 18104600,
                            21094600, 24924600, 28124600, 50293000, 70091000, 144489000};
    for (double fxtal : {NominalXtalMHz, 114.2852})
        for (double dial : dials)
            for (double audio : {1400.0, 1500.0, 1600.0}) {
                SCOPED_TRACE(std::to_string(dial) + " + " + std::to_string(audio));
                const TWsprTonePlan plan = PlanWsprTones(WsprToneFrequencies(dial, audio), fxtal, 0);
                ExpectSmoothTones(plan, fxtal, 0.01);
                EXPECT_LT(plan.MaxErrorHz(), 0.01);
            }
}

// Where the divider chosen for the lowest tone alone differs from the one
// chosen for the highest, the plan still finds one setting for all four.
TEST(WsprTones, TonesOnBothSidesOfADividerChangeShareOneSetting)
{
    int straddling = 0;
    for (double dial = 3600000; dial < 160000000; dial += 500) {
        const auto tones = WsprToneFrequencies(dial, 1500);
        TDividerSetting low, high;
        if (!FindDividers(tones[0] / 1e6, NominalXtalMHz, 0, low) || !FindDividers(tones[3] / 1e6, NominalXtalMHz, 0, high))
            continue;
        if (low.HsCode == high.HsCode && low.N1Minus1 == high.N1Minus1)
            continue;
        ++straddling;
        SCOPED_TRACE(dial);
        ExpectSmoothTones(PlanWsprTones(tones, NominalXtalMHz, 0), NominalXtalMHz, 0.01);
    }
    EXPECT_GT(straddling, 0) << "the scan met no divider change";
}

TEST(WsprTones, WhatTheSi570CannotMakeIsRefusedWithTheFrequencies)
{
    try {
        PlanWsprTones(WsprToneFrequencies(1000000, 1500), NominalXtalMHz, 0);
        ADD_FAILURE() << "planned";
    } catch (const WsprError& e) {
        EXPECT_STREQ(e.what(), "The Si570 cannot make the WSPR tones at 1001497.803 to 1001502.197 Hz with one "
                               "divider setting.");
    }
    // 300 MHz needs HS_DIV 9 with N1 2, which speed grade C does not allow.
    const auto at300 = WsprToneFrequencies(299998500, 1500);
    EXPECT_NO_THROW(PlanWsprTones(at300, NominalXtalMHz, 0));
    EXPECT_THROW(PlanWsprTones(at300, NominalXtalMHz, SpeedGradeC), WsprError);
    for (double fxtal : {0.0, -114.285, Nan})
        EXPECT_THROW(PlanWsprTones(WsprToneFrequencies(14095600, 1500), fxtal, 0), WsprError) << fxtal;
    EXPECT_THROW(PlanWsprTones({Nan, Nan, Nan, Nan}, NominalXtalMHz, 0), WsprError);
}
