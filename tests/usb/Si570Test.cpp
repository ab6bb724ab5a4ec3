#include "support/Errors.h"
#include "usb/Si570.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>

#include "tests/common/CountingNew.h"

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr int GradeA = 0;

TEST(Si570, EdgeCaseTableBitForBit)
{
    struct Row {
        double F;
        int HsCode, N1;
        double Dco, Rfreq;
        TRegisterBlock Block;
    };
    const Row rows[] = {
        {14.0, 2, 62, 5208, 45.57028481, {0x4F, 0x42, 0xD9, 0x1F, 0xE2, 0xF8}},
        {56.32, 7, 8, 4956.16, 43.36667104, {0xE1, 0xC2, 0xB5, 0xDD, 0xE2, 0x74}},
        {3.5, 7, 128, 4928, 43.12026950, {0xFF, 0xC2, 0xB1, 0xEC, 0x9F, 0xB7}},
        {1417.5, 0, 1, 5670, 49.61281008, {0x00, 0x03, 0x19, 0xCE, 0x11, 0xF1}}};
    for (const Row& r : rows) {
        TDividerSetting s;
        ASSERT_TRUE(FindDividers(r.F, NominalXtalMHz, GradeA, s)) << r.F;
        EXPECT_EQ(s.HsCode, r.HsCode) << r.F;
        EXPECT_EQ(s.N1Minus1 + 1, r.N1) << r.F;
        EXPECT_EQ(s.Rfreq, r.Dco / NominalXtalMHz) << r.F;
        EXPECT_NEAR(s.Rfreq, r.Rfreq, 1e-8) << r.F;
        EXPECT_EQ(PackRegisters(s), r.Block) << r.F;
    }
    TDividerSetting s{3, 9, 1.5};
    for (double f : {3.44, 1418.0, 950.0, 0.5, 0.0, -14.0}) {
        EXPECT_FALSE(FindDividers(f, NominalXtalMHz, GradeA, s)) << f;
        EXPECT_FALSE(FindDividersFast(f, NominalXtalMHz, s)) << f;
    }
    EXPECT_EQ(s.HsCode, 3);  // untouched when not found
    EXPECT_TRUE(FindDividers(3.445, NominalXtalMHz, GradeA, s));
    EXPECT_EQ(s.N1Minus1 + 1, 128);
    EXPECT_EQ(ZeroRegisterBlock, (TRegisterBlock{}));
}

TEST(Si570, CandidatesOf56_32)
{
    const TCandidateList list = DividerCandidates(56.32);
    const std::pair<int, double> expected[8] = {{24, 5406.72}, {18, 5068.8}, {16, 5406.72}, {14, 5519.36},
                                                {1, 1e100},    {10, 5068.8}, {1, 1e100},    {8, 4956.16}};
    for (int code = 0; code < 8; ++code) {
        const TDividerCandidate& c = list[static_cast<size_t>(code)];
        EXPECT_EQ(c.HsCode, code);
        EXPECT_EQ(c.N1Minus1 + 1, expected[code].first) << code;
        EXPECT_NEAR(c.DcoMHz, expected[code].second, 1e-9) << code;
    }
    for (int code : {-1, 4, 6, 8})
        EXPECT_EQ(HsDivOfCode(code), -1);
    EXPECT_EQ(HsDivOfCode(7), 11);
    // Below 1 MHz the estimate uses 1 MHz.
    EXPECT_EQ(DividerCandidates(0.25)[7].N1Minus1 + 1, 128);
}

TEST(Si570, SpeedGradeC)
{
    TDividerSetting s;
    ASSERT_TRUE(FindDividers(300, NominalXtalMHz, GradeA, s));
    EXPECT_EQ(HsDivOfCode(s.HsCode), 9);
    EXPECT_EQ(s.N1Minus1 + 1, 2);
    EXPECT_TRUE(FindDividers(300, NominalXtalMHz, 1, s));
    EXPECT_FALSE(FindDividers(300, NominalXtalMHz, SpeedGradeC, s));
    EXPECT_TRUE(FindDividersFast(300, NominalXtalMHz, s));
    ASSERT_TRUE(FindDividers(270, NominalXtalMHz, SpeedGradeC, s));
    EXPECT_EQ(HsDivOfCode(s.HsCode), 5);
    EXPECT_EQ(s.N1Minus1 + 1, 4);
    EXPECT_FALSE(IsDividerAllowed({5, 1, 5400}, SpeedGradeC));
    EXPECT_TRUE(IsDividerAllowed({5, 3, 5400}, SpeedGradeC));
}

TEST(Si570, UnpackableResultsAreNotFound)
{
    TDividerSetting s;
    for (double xtal : {0.0, -114.285, NaN, Inf, 1.0})
        EXPECT_FALSE(FindDividers(14, xtal, GradeA, s)) << xtal;
    for (double f : {NaN, Inf, -Inf})
        EXPECT_FALSE(FindDividersFast(f, NominalXtalMHz, s)) << f;
    for (double rfreq : {NaN, Inf, -1.0, 1024.0, 1024 - std::ldexp(1, -30)})
        EXPECT_THROW(PackRegisters({2, 61, rfreq}), RangeError) << rfreq;
    for (TDividerSetting bad : {TDividerSetting{4, 61, 45}, {2, 128, 45}, {2, -1, 45}})
        EXPECT_THROW(PackRegisters(bad), RangeError);
    // A fraction that rounds up to 2^28 carries into the integer part.
    EXPECT_EQ(PackRegisters({2, 61, 45 - std::ldexp(1, -30)}), PackRegisters({2, 61, 45}));
}

TEST(Si570, DecodingRoundTrip)
{
    const TRegisterReadBack r = DecodeRegisters({0xE1, 0xC2, 0xB5, 0xDD, 0xE2, 0x74}, 56.32);
    EXPECT_NEAR(r.ReadBackMHz, 56.32, 1e-8);  // 28-bit fraction
    EXPECT_NEAR(r.CrystalMHz, 114.285, 1e-8);
    for (double f : {3.5, 10.0, 14.0, 123.456789, 810.0, 1417.5}) {
        TDividerSetting s;
        ASSERT_TRUE(FindDividers(f, NominalXtalMHz, GradeA, s));
        EXPECT_NEAR(DecodeRegisters(PackRegisters(s), f).ReadBackMHz, f, f * 1e-9) << f;
    }
    EXPECT_THROW(DecodeRegisters(ZeroRegisterBlock, 56.32), ZeroDivideError);
    EXPECT_THROW(DecodeRegisters({0xE1, 0xC2, 0xB5, 0xDD, 0xE2, 0x74}, 0), ZeroDivideError);
    EXPECT_LT(DecodeRegisters({0x81, 0xC2, 0xB5, 0xDD, 0xE2, 0x74}, 56.32).ReadBackMHz, 0);  // code 4
}

TEST(Si570, CalibrationWords)
{
    EXPECT_EQ(XtalMHzToWord(114.285), (TCalibrationWord{0xC3, 0xF5, 0x48, 0x72}));
    EXPECT_NEAR(XtalWordToMHz({0xC3, 0xF5, 0x48, 0x72}), 114.28500003, 5e-9);
    EXPECT_EQ(XtalWordToMHz({0xFF, 0xFF, 0xFF, 0xFF}), 114.285);
    EXPECT_EQ(StartupWordToMHz({0xAE, 0x47, 0x61, 0x42}), 56.32);
    EXPECT_EQ(StartupWordToMHz({0xFF, 0xFF, 0xFF, 0xFF}), 56.32);
    EXPECT_EQ(StartupWordToMHz(StartupMHzToWord(10.0005)), 10.0);  // rounded to 1 kHz
    EXPECT_EQ(StartupMHzToWord(56.32), (TCalibrationWord{0xAE, 0x47, 0x61, 0x42}));
    EXPECT_EQ(XtalMHzToWord(-1), (TCalibrationWord{0x00, 0x00, 0x00, 0xFF}));
    for (double bad : {NaN, Inf, -Inf, 128.0, -128.0 - 1e-6})
        EXPECT_THROW(XtalMHzToWord(bad), RangeError) << bad;
    for (double bad : {NaN, Inf, 1e39, -1e39})
        EXPECT_THROW(StartupMHzToWord(bad), RangeError) << bad;
}

TEST(Si570, SearchAllocatesNothing)
{
    long before = AllocationCount;
    int* volatile counted = new int(1);  // the counter does see allocations
    delete counted;
    EXPECT_EQ(AllocationCount, before + 1);

    TDividerSetting s;
    before = AllocationCount;
    for (double f = 3.0; f < 1500; f *= 1.01) {
        FindDividers(f, NominalXtalMHz, SpeedGradeC, s);
        FindDividersFast(f, NominalXtalMHz, s);
    }
    EXPECT_EQ(AllocationCount, before);
}

}  // namespace
