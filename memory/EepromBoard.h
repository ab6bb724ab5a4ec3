#pragma once
// The editors' board transfers. A read never leaves part of a read in the
// shared image; a write is preceded by a backup of the board's EEPROM and
// followed by a verification.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "memory/HexImage.h"
#include "usb/SynthCommands.h"

using TEepromImage = decltype(EepromImage);

// The board's EEPROM, or nothing when the board is not found. EepromImage is
// unchanged afterwards, also when a transfer error is raised.
std::optional<TEepromImage> ReadBoardEeprom(const TByteProgress& progress = {});

// A write transfers the EEPROM three times: the backup read, the write and
// the verification read. Told after each byte: the bytes done of the three
// passes, and the pass that runs.
constexpr int EepromWriteSteps = 3 * static_cast<int>(std::tuple_size_v<TEepromImage>);
using TWriteProgress = std::function<void(int done, const char* what)>;

// Reads the board's EEPROM and saves it as an Intel HEX file in the user's
// backups folder: the file's path and the bytes it holds. Told the bytes read.
// DeviceNotFoundError, the transfer error or FileError when the backup cannot
// be read or saved, their texts ending in "; nothing was written".
struct TEepromBackup {
    std::string File;
    TEepromImage Image{};
};
TEepromBackup BackupBoardEeprom(const TByteProgress& progress = {});

// BackupBoardEeprom, then writes EepromImage, reads it back and compares. Returns the text
// for the status line, naming the backup file. Nothing is written when the
// backup cannot be read or saved (DeviceNotFoundError, the transfer error,
// FileError); a failed write or verification read raises its error with the
// backup file named. In the ranges of keepBoard EepromImage first takes the
// board's own bytes from the backup read, so they are written back unchanged.
std::string WriteBoardEeprom(const TWriteProgress& progress, const std::vector<TAddressRange>& keepBoard = {});

// Where backups go: <user data folder>/backups, the data folder by the XDG
// rule (XDG_DATA_HOME when it is an absolute path, else ~/.local/share).
// FileError when neither it nor HOME is an absolute path: a backup there
// could not be found again.
std::string BackupFolder();
// "eeprom-<serial or port>-<time>.hex"; the serial when the board has one.
std::string BackupFileName(const std::string& serial, int usbPortId, const std::string& time);
constexpr const char* EepromVerifiedText = "EEPROM written and verified";
// EepromVerifiedText or the addresses that differ.
std::string VerifyText(const TEepromImage& wanted, const TEepromImage& found);
