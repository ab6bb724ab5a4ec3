#include "cli/CtlBoard.h"

#include <fstream>

#include "app/SettingsPath.h"
#include "support/UUtils.h"
#include "usb/ChosenBoard.h"
#include "usb/SynthCommands.h"
#include "wspr/WsprFields.h"

namespace {

// The settings that choose and address the board, from the program's settings
// file when there is one (keys in file order).
struct TStoredSettings {
    std::optional<std::string> Product;
    std::optional<std::string> Serial;
    std::optional<int> Port;
    std::optional<std::string> BeaconCode;
    TWsprFields Wspr;  // the WSPR beacon window's fields, else their defaults
};

TStoredSettings ReadStoredSettings()
{
    TStoredSettings stored;
    std::ifstream file;
    if (!OpenTextForReading(file, SettingsReadPath()))
        return stored;
    int32_t number = 0;
    if (ReadIntegerAfterKey(file, "I2CAddress=", number) && number >= 0 && number <= 255)
        I2CAddress = static_cast<uint8_t>(number);
    std::string text;
    if (ReadStringAfterKey(file, "Device=", text))
        stored.Product = text;
    if (ReadStringAfterKey(file, "DevSerial=", text))
        stored.Serial = text;
    if (ReadIntegerAfterKey(file, "DevNo=", number) && number >= 0 && number <= 255)
        stored.Port = number;
    if (ReadStringAfterKey(file, "MEPT_Text=", text))
        stored.BeaconCode = text;
    ReadWsprFields(file, stored.Wspr);
    return stored;
}

}  // namespace

void ResolveChoice(const TBoardChoice& choice)
{
    const TStoredSettings stored = ReadStoredSettings();
    SelProduct = choice.Product.value_or(stored.Product.value_or(SelProduct));
    SelSerial = choice.Serial.value_or(stored.Serial.value_or(SelSerial));
    SelUsbPortId = static_cast<uint8_t>(choice.Port.value_or(stored.Port.value_or(SelUsbPortId)));
    if (choice.Manufacturer)
        SelManufacturer = *choice.Manufacturer;
}

std::optional<TDevice> FindChosen(const TBoardChoice& choice)
{
    Devices.clear();  // the enumeration adds to the list it is given
    EnumerateDevices(nullptr, Devices);
    // A board named on the command line must be that board; a stored choice
    // follows the program's rule: the board its serial names, wherever it is,
    // else the first board of the product. A serial that names a board is the
    // rule's to find, so it can say that another board is there instead.
    const bool serialFilters = choice.Serial && !SerialNamesABoard(*choice.Serial);
    TDevices candidates;
    for (const TDevice& d : Devices) {
        if ((choice.Manufacturer && d.Manufacturer != *choice.Manufacturer) ||
            (choice.Port && d.UsbPortId != *choice.Port) || (serialFilters && d.Serial != *choice.Serial))
            continue;
        candidates.push_back(d);
    }
    const int32_t index = ChooseFromList(candidates);
    if (index < 0)
        return std::nullopt;
    return candidates[static_cast<size_t>(index)];
}

void ChooseBoard(const TBoardChoice& choice)
{
    ResolveChoice(choice);
    const std::optional<TDevice> chosen = FindChosen(choice);
    if (!chosen) {
        if (DeniedBoardSeen)
            throw UsbError(DeniedBoardText());
        throw DeviceNotFoundError();
    }
    SelectBoard(*chosen);
    SelSerial = chosen->Serial;
    DeviceOnline = true;
}

std::string DeniedBoardText()
{
    return "Cannot use the board: " + DeniedBoardReason;
}

std::optional<std::string> StoredBeaconCode()
{
    return ReadStoredSettings().BeaconCode;
}

TWsprFields StoredWsprFields()
{
    return ReadStoredSettings().Wspr;
}

void ReadBoardValues()
{
    const int grade = ReadSpeedGrade();
    if (grade >= 0)
        SpeedGrade = grade;
    LoadCalibration();
}

void TCtlBoard::Choose()
{
    if (chosen_)
        return;
    ChooseBoard(choice_);
    chosen_ = true;
    valuesRead_ = false;
    // Found again after it was lost: it restarted, and is owed its frequency
    // also when nothing (no serial) tells that it is the same board.
    if (lost_ && WantedFrequencyHz)
        ChosenBoard.FrequencyOwed = true;
    lost_ = false;
}

void TCtlBoard::ChooseWithValues()
{
    Choose();
    if (valuesRead_)
        return;
    ReadBoardValues();
    valuesRead_ = true;
}

void TCtlBoard::Forget()
{
    chosen_ = false;
    lost_ = true;
    session_.Close();
}
