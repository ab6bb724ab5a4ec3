#include "usb/Si570.h"

#include "support/Errors.h"
#include "support/NumberText.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace {

constexpr double DcoCentreMHz = 5260;
constexpr double N1Max = 128;
constexpr double NoCandidate = 1e100;
constexpr double FractionScale = 268435456.0;  // 2^28
constexpr double XtalWordScale = 16777216.0;   // 2^24
constexpr uint32_t RfreqIntegerLimit = 1024;   // 10 bits

struct TRfreqFields {
    uint32_t Integer;
    uint32_t Fraction;  // 28 bits
};

// False when RFREQ does not fit the registers. A fraction that rounds up to
// 2^28 carries into the integer part instead of being lost.
bool SplitRfreq(double rfreq, TRfreqFields& f)
{
    if (!(rfreq >= 0 && rfreq < RfreqIntegerLimit))
        return false;
    const double integer = std::trunc(rfreq);
    f.Integer = static_cast<uint32_t>(integer);
    f.Fraction = static_cast<uint32_t>(std::nearbyint((rfreq - integer) * FractionScale));
    if (f.Fraction == static_cast<uint32_t>(FractionScale)) {
        f.Fraction = 0;
        ++f.Integer;
    }
    return f.Integer < RfreqIntegerLimit;
}

uint32_t WordValue(const TCalibrationWord& w)
{
    return w[0] | w[1] << 8 | w[2] << 16 | static_cast<uint32_t>(w[3]) << 24;
}

TCalibrationWord WordBytes(uint32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

}  // namespace

int HsDivOfCode(int code)
{
    static constexpr std::array<int, 8> Table{4, 5, 6, 7, -1, 9, -1, 11};
    return code >= 0 && code < 8 ? Table[static_cast<size_t>(code)] : -1;
}

bool IsDividerAllowed(const TDividerCandidate& c, int speedGrade)
{
    return !(speedGrade == SpeedGradeC && HsDivOfCode(c.HsCode) == 9 && c.N1Minus1 == 1);
}

TCandidateList DividerCandidates(double freqMHz)
{
    TCandidateList list{};
    // NaN stays NaN here and fails n >= 1.5, so N1 is 1 and never converted from NaN.
    const double q = DcoCentreMHz / std::max(freqMHz, 1.0);
    for (int code = 7; code >= 0; --code) {
        TDividerCandidate& c = list[static_cast<size_t>(code)];
        c = {code, 0, NoCandidate};
        const int hsDiv = HsDivOfCode(code);
        if (hsDiv < 1)
            continue;
        const double n = q / hsDiv;
        // n <= 5260 / 4, so the even N1 is finite and small before the cap.
        const double n1 = n >= 1.5 ? std::min(2 * std::nearbyint(n / 2), N1Max) : 1;
        c.N1Minus1 = static_cast<int>(n1) - 1;
        c.DcoMHz = freqMHz * n1 * hsDiv;
    }
    return list;
}

bool FindDividers(double freqMHz, double fxtalMHz, int speedGrade, TDividerSetting& out)
{
    // An infinite crystal would give RFREQ 0, which packs but means nothing.
    if (!std::isfinite(freqMHz) || !(std::isfinite(fxtalMHz) && fxtalMHz > 0))
        return false;
    const TCandidateList list = DividerCandidates(freqMHz);
    double best = NoCandidate;
    const TDividerCandidate* chosen = nullptr;
    for (const TDividerCandidate& c : list) {
        if (c.DcoMHz >= DcoMinMHz && c.DcoMHz <= DcoMaxMHz && c.DcoMHz < best && IsDividerAllowed(c, speedGrade)) {
            best = c.DcoMHz;
            chosen = &c;
        }
    }
    if (chosen == nullptr)
        return false;
    const double rfreq = chosen->DcoMHz / fxtalMHz;
    TRfreqFields fields;
    if (!SplitRfreq(rfreq, fields))
        return false;
    out = {chosen->HsCode, chosen->N1Minus1, rfreq};
    return true;
}

bool FindDividersFast(double freqMHz, double fxtalMHz, TDividerSetting& out)
{
    // Grades A and B exclude nothing.
    return FindDividers(freqMHz, fxtalMHz, 0, out);
}

TRegisterBlock PackRegisters(const TDividerSetting& s)
{
    if (HsDivOfCode(s.HsCode) < 1 || s.N1Minus1 < 0 || s.N1Minus1 >= N1Max)
        throw RangeError("Si570 dividers out of range: HS_DIV code " + std::to_string(s.HsCode) + ", N1-1 " +
                         std::to_string(s.N1Minus1));
    TRfreqFields f;
    if (!SplitRfreq(s.Rfreq, f))
        throw RangeError("RFREQ " + FormatGeneral(s.Rfreq) + " does not fit the Si570 registers");
    const auto n1m1 = static_cast<uint32_t>(s.N1Minus1);
    return {static_cast<uint8_t>(n1m1 / 4 + static_cast<uint32_t>(s.HsCode) * 32),
            static_cast<uint8_t>(f.Integer / 16 + (n1m1 & 3) * 64),
            static_cast<uint8_t>((f.Integer & 15) * 16 + (f.Fraction >> 24)),
            static_cast<uint8_t>(f.Fraction >> 16),
            static_cast<uint8_t>(f.Fraction >> 8),
            static_cast<uint8_t>(f.Fraction)};
}

double Si570FrequencyOf(double frequencyHz, double multiplier, double offsetMHz)
{
    return static_cast<double>(static_cast<long double>(frequencyHz) * multiplier +
                               static_cast<long double>(offsetMHz) * 1000000);
}

double DisplayFrequencyOf(double si570Hz, double multiplier, double offsetMHz)
{
    if (multiplier == 0)
        throw ZeroDivideError("Division by zero: the multiplier is 0");
    return static_cast<double>((static_cast<long double>(si570Hz) - static_cast<long double>(offsetMHz) * 1000000) /
                               multiplier);
}

double RegisterOutputMHz(const TRegisterBlock& b, double fxtalMHz)
{
    const uint32_t fraction = b[5] | b[4] << 8 | b[3] << 16 | (b[2] & 0x0Fu) << 24;
    const uint32_t integer = (b[1] & 0x3Fu) * 16 + b[2] / 16;
    const double rfreq = fraction / FractionScale + integer;
    const int n1 = b[1] / 64 + (b[0] & 0x1F) * 4 + 1;
    const int hsDiv = HsDivOfCode(b[0] / 32);
    return fxtalMHz * rfreq / (hsDiv * n1);
}

TRegisterReadBack DecodeRegisters(const TRegisterBlock& b, double startupMHz)
{
    const double readBack = RegisterOutputMHz(b, NominalXtalMHz);
    if (startupMHz == 0)
        throw ZeroDivideError("Division by zero: start-up frequency is 0 MHz");
    const double ratio = readBack / startupMHz;
    if (ratio == 0)
        throw ZeroDivideError("Division by zero: the Si570 registers read back 0 MHz");
    return {readBack, (1 / ratio) * NominalXtalMHz};
}

double StartupWordToMHz(const TCalibrationWord& w)
{
    const float s = std::bit_cast<float>(WordValue(w));
    return std::isnan(s) ? DefaultStartupMHz : std::nearbyint(s * 1000.0) / 1000;
}

double XtalWordToMHz(const TCalibrationWord& w)
{
    const auto v = static_cast<int32_t>(WordValue(w));
    return v == -1 ? NominalXtalMHz : v / XtalWordScale;
}

TCalibrationWord XtalMHzToWord(double fxtalMHz)
{
    const double v = std::nearbyint(fxtalMHz * XtalWordScale);
    if (!(v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()))
        throw RangeError("Crystal frequency " + FormatGeneral(fxtalMHz) + " MHz does not fit the calibration word");
    return WordBytes(static_cast<uint32_t>(static_cast<int32_t>(v)));
}

TCalibrationWord StartupMHzToWord(double startupMHz)
{
    if (!(std::fabs(startupMHz) <= std::numeric_limits<float>::max()))
        throw RangeError("Start-up frequency " + FormatGeneral(startupMHz) +
                         " MHz does not fit the calibration word");
    return WordBytes(std::bit_cast<uint32_t>(static_cast<float>(startupMHz)));
}
