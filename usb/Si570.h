#pragma once
// Si570 arithmetic: divider search, register packing and decoding, and the
// calibration words of the firmware EEPROM. Frequencies in MHz.
#include <array>
#include <cstdint>

constexpr double NominalXtalMHz = 114.285;
constexpr double DefaultStartupMHz = 56.32;
constexpr int SpeedGradeC = 2;
// The window the Si570's internal oscillator (DCO) must stay in, inclusive.
constexpr double DcoMinMHz = 4850;
constexpr double DcoMaxMHz = 5670;

struct TDividerCandidate {
    int HsCode;
    int N1Minus1;
    double DcoMHz;
};
using TCandidateList = std::array<TDividerCandidate, 8>;

struct TDividerSetting {
    int HsCode = 0;
    int N1Minus1 = 0;
    double Rfreq = 0;
};

// Registers 7 to 12.
using TRegisterBlock = std::array<uint8_t, 6>;
// Four EEPROM bytes, least significant first.
using TCalibrationWord = std::array<uint8_t, 4>;

// What an all-zero frequency sends: the Si570 returns to its start-up frequency.
constexpr TRegisterBlock ZeroRegisterBlock{};

// HS_DIV of a register code; -1 for the unused codes 4 and 6 and out-of-table codes.
int HsDivOfCode(int code);

// False only for HS_DIV 9 with N1 2 on speed grade C.
bool IsDividerAllowed(const TDividerCandidate& c, int speedGrade);

// One candidate per HS_DIV code, indexed by code: the even N1 (or 1) nearest
// the DCO centre, capped at 128. Unused codes get DcoMHz 1e100.
TCandidateList DividerCandidates(double freqMHz);

// Lowest DCO inside 4850..5670 MHz wins. Not found (out untouched) also when
// freqMHz is not finite, fxtalMHz is not finite and positive, or RFREQ would
// not fit the registers.
bool FindDividers(double freqMHz, double fxtalMHz, int speedGrade, TDividerSetting& out);
// Without the speed-grade exclusion, for FSK keying.
bool FindDividersFast(double freqMHz, double fxtalMHz, TDividerSetting& out);

// RangeError for a code or N1 out of its field, or an RFREQ that is not
// finite, negative or 1024 and above.
TRegisterBlock PackRegisters(const TDividerSetting& s);

// The Si570's frequency for a frequency f before multiplier and offset (a
// mixer after the board): f × multiplier + offset × 1 000 000, all in Hz but
// the offset in MHz, computed in extended precision.
double Si570FrequencyOf(double frequencyHz, double multiplier, double offsetMHz);
// The frequency before multiplier and offset that gives the Si570's; a
// multiplier of 0 raises ZeroDivideError.
double DisplayFrequencyOf(double si570Hz, double multiplier, double offsetMHz);

// What the registers make with the given crystal, in MHz: the output the
// chip produces (true crystal) or the one the program meant (its crystal
// value). Negative for the unused HS_DIV codes 4 and 6.
double RegisterOutputMHz(const TRegisterBlock& b, double fxtalMHz);

struct TRegisterReadBack {
    double ReadBackMHz;  // what the registers give with the nominal crystal
    double CrystalMHz;   // crystal that makes them give startupMHz
};
// ZeroDivideError for a block that gives 0 MHz (all zero) or a start-up frequency of 0.
TRegisterReadBack DecodeRegisters(const TRegisterBlock& b, double startupMHz);

// Single-precision start-up frequency rounded to 1 kHz; erased (NaN) gives 56.32.
double StartupWordToMHz(const TCalibrationWord& w);
// 32-bit fixed point with 24 fraction bits; erased (-1) gives 114.285.
double XtalWordToMHz(const TCalibrationWord& w);
// RangeError when the value is not finite or does not fit the word.
TCalibrationWord XtalMHzToWord(double fxtalMHz);
// RangeError when the value is not finite or beyond single precision.
TCalibrationWord StartupMHzToWord(double startupMHz);
