#pragma once
// The synthesizer's vendor requests and the operations built on them. Every
// operation except the FSK pair opens the board afresh, makes its transfers
// and closes it again. Each returns false (ReadSpeedGrade -1) when the board is
// absent; a transfer that fails ends the operation, closes the board and
// raises UsbError naming what failed, where, and the library's text. Values
// the program keeps change only from reads that delivered.
#include <array>
#include <cstdint>
#include <functional>

#include "usb/ChosenBoard.h"
#include "usb/Si570.h"
#include "usb/UUSB.h"

class TKeptBoard;

// Device-link values used by the operations.
inline uint8_t I2CAddress = 0x55;
inline double FxtalMHz = NominalXtalMHz;
inline double StartupFreqMHz = DefaultStartupMHz;
inline int SpeedGrade = 0;
inline std::array<uint8_t, 512> EepromImage{};

// FSK keying values, set by the main window when keying starts.
inline double FskBaseFrequency = 0;
inline double FskShiftedFrequency = 0;
inline int FskLastKeyState = -1;

// EEPROM addresses the device link uses.
constexpr int EepromCalibrationStatus = 0x01;
constexpr int EepromXtalWord = 0x02;
constexpr int EepromRememberLast = 0x06;
constexpr int EepromSpeedGrade = 0x0F;
constexpr int EepromStartupWord = 0x17;

// What SetFrequency would send registers for: a frequency the Si570 makes
// with the program's crystal and speed grade (0, its start-up frequency, not
// counted). Asks nothing of the board and changes nothing.
bool CanMakeFrequency(double frequencyHz);
// Both make the frequency the wanted one (ChosenBoard.h), sent or not.
bool SetFrequency(double frequencyHz);
// On a kept handle: no walk of the buses while the board stays.
bool SetFrequency(double frequencyHz, TKeptBoard& board);
bool SetFrequencyFast(double frequencyHz);
// A frequency whose registers the sender planned itself (the WSPR tones,
// which keep one divider setting), on its kept handle: one 6-byte transfer,
// checked. DeviceNotFoundError when the board is away; the frequency is the
// wanted one all the same.
void SendPlannedFrequency(double frequencyHz, const TRegisterBlock& block, TKeptBoard& board);
// The wanted frequency to the chosen board afresh (after it was found again);
// true when it was sent. False without a board or a frequency to send.
bool RestoreFrequency();
bool CalibrateCrystal(double& crystalMHz, double& readBackMHz, double startupMHz);
bool SetRememberLastFrequency(bool on);
// Whether the firmware brings back the last frequency at power-up (its EEPROM
// byte 0x06 holds the Si570's address); false when the board is absent.
bool ReadRememberLastFrequency(bool& on);
// False when the board has left the bus: keying has nothing to poll.
bool PollFskKey();
// On a kept handle (a session): the Si570's registers as they are now, and
// the key input byte (bit 5 set: key up). A failed transfer raises its
// TransferError, an absent board DeviceNotFoundError.
TRegisterBlock ReadSi570Registers(TKeptBoard& board);
uint8_t ReadKeyByte(TKeptBoard& board);
bool EraseEeprom();
// Told the bytes done after each byte of a whole-EEPROM transfer, so a window
// can show how far a second of transfers has got.
using TByteProgress = std::function<void(int bytesDone)>;
bool ReadEepromImage(const TByteProgress& progress = {});
bool WriteEepromImage(const TByteProgress& progress = {});
int ReadSpeedGrade();
bool SetSpeedGrade(int grade);
bool ResetAvr();
bool ReadXtalWord(TCalibrationWord& word);
bool ReadStartupWord(TCalibrationWord& word);
bool WriteXtalWord(const TCalibrationWord& word);
bool WriteStartupFrequency(float startupMHz);
void LoadCalibration();
