#include "usb/SynthCommands.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "usb/KeptBoard.h"
#include "usb/Transfers.h"

namespace {

enum Request : int {
    ReqReset = 0x0F,
    ReqWriteEeprom = 0x10,
    ReqReadEeprom = 0x11,
    ReqSpeedGrade = 0x24,
    ReqWriteRegisters = 0x30,
    ReqReadRegisters = 0x3F,
    ReqRememberLast = 0x41,
    ReqKeyState = 0x51,
};

// The host-to-device requests carry their parameters in wValue and wIndex; the
// one data byte that follows means nothing. Only a negative result fails.
void SendOut(usb_dev_handle* h, int request, int value, int index, const TransferSite& site)
{
    char unused = 0;
    CheckTransfer(usb_control_msg(h, VendorOut, request, value, index, &unused, 1, VendorTimeoutMs), 0, site);
}

void WriteEepromByte(usb_dev_handle* h, int address, uint8_t byte)
{
    SendOut(h, ReqWriteEeprom, address, byte, {"Writing EEPROM", TransferSite::EepromAddress, address});
}

// The byte is used, so a reply without it fails like an error.
uint8_t ReadEepromByte(usb_dev_handle* h, int address, int index)
{
    char c = 0;
    CheckTransfer(usb_control_msg(h, VendorIn, ReqReadEeprom, address, index, &c, 1, VendorTimeoutMs), 1,
                  {"Reading EEPROM", TransferSite::EepromAddress, address});
    return static_cast<uint8_t>(c);
}

int ReceiveRegisters(usb_dev_handle* h, TRegisterBlock& block)
{
    return usb_control_msg(h, VendorIn, ReqReadRegisters, I2CAddress, 0, reinterpret_cast<char*>(block.data()),
                           static_cast<int>(block.size()), VendorTimeoutMs);
}

void CheckRegistersReceived(int result)
{
    CheckTransfer(result, static_cast<int>(TRegisterBlock{}.size()),
                  {"Reading the Si570 registers", TransferSite::SiAddress, I2CAddress});
}

int ReceiveKey(usb_dev_handle* h, char& key)
{
    return usb_control_msg(h, VendorIn, ReqKeyState, 0, 0, &key, 1, VendorTimeoutMs);
}

// One transfer on a kept handle; a board that is not there (not even after
// one more look) raises DeviceNotFoundError.
template <typename Transfer> int KeptTransfer(TKeptBoard& board, Transfer&& transfer)
{
    const int result = board.Run(std::forward<Transfer>(transfer));
    if (result == -ENODEV)
        throw DeviceNotFoundError();
    return result;
}

int SendRegisters(usb_dev_handle* h, const TRegisterBlock& block)
{
    char bytes[6];
    std::memcpy(bytes, block.data(), sizeof bytes);
    return usb_control_msg(h, VendorOut, ReqWriteRegisters, 0x0700 + I2CAddress, 0, bytes, sizeof bytes,
                           VendorTimeoutMs);
}

// Divider search and packing shared by both paths; false when there is
// nothing to send.
bool RegistersFor(double frequencyHz, bool found, const TDividerSetting& setting, TRegisterBlock& block)
{
    if (frequencyHz == 0)
        block = ZeroRegisterBlock;
    else if (found)
        block = PackRegisters(setting);
    else
        return false;
    return true;
}

bool ReadWord(int first, TCalibrationWord& word)
{
    TCalibrationWord read{};  // the output changes only when all four bytes came
    if (!WithBoard([&](usb_dev_handle* h) {
            for (size_t i = 0; i < read.size(); ++i)
                read[i] = ReadEepromByte(h, first + static_cast<int>(i), 0);
        }))
        return false;
    word = read;
    return true;
}

bool WriteWord(int first, const TCalibrationWord& word)
{
    return WithBoard([&](usb_dev_handle* h) {
        for (size_t i = 0; i < word.size(); ++i)
            WriteEepromByte(h, first + static_cast<int>(i), word[i]);
        WriteEepromByte(h, EepromCalibrationStatus, 0);
    });
}

}  // namespace

namespace {

// The register block for a frequency by the speed-grade rule; false when
// there is nothing to send.
bool BlockFor(double frequencyHz, TRegisterBlock& block, bool& found)
{
    TDividerSetting setting;
    found = FindDividers(frequencyHz / 1000000, FxtalMHz, SpeedGrade, setting);
    return RegistersFor(frequencyHz, found, setting, block);
}

// Registers sent: a board found again on the way has what it is owed.
void CheckRegistersSent(int result)
{
    CheckTransfer(result, 0, {"Writing the Si570 registers", TransferSite::SiAddress, I2CAddress});
    ChosenBoard.FrequencyOwed = false;
}

}  // namespace

bool CanMakeFrequency(double frequencyHz)
{
    TDividerSetting unused;
    return FindDividers(frequencyHz / 1000000, FxtalMHz, SpeedGrade, unused);
}

bool SetFrequency(double frequencyHz)
{
    WantedFrequencyHz = frequencyHz;
    TRegisterBlock block;
    bool found = false;
    if (!BlockFor(frequencyHz, block, found))
        return false;
    if (!WithBoard([&](usb_dev_handle* h) { CheckRegistersSent(SendRegisters(h, block)); }, false))
        throw DeviceNotFoundError();
    return found;
}

bool SetFrequency(double frequencyHz, TKeptBoard& board)
{
    TRegisterBlock block;
    bool found = false;
    if (!BlockFor(frequencyHz, block, found)) {
        WantedFrequencyHz = frequencyHz;
        return false;
    }
    SendPlannedFrequency(frequencyHz, block, board);
    return found;
}

void SendPlannedFrequency(double frequencyHz, const TRegisterBlock& block, TKeptBoard& board)
{
    WantedFrequencyHz = frequencyHz;
    CheckRegistersSent(KeptTransfer(board, [&](usb_dev_handle* h) { return SendRegisters(h, block); }));
}

bool RestoreOwedFrequency(usb_dev_handle* handle)
{
    ChosenBoard.FrequencyOwed = false;
    TRegisterBlock block;
    bool found = false;
    if (!WantedFrequencyHz || !BlockFor(*WantedFrequencyHz, block, found))
        return false;
    CheckRegistersSent(SendRegisters(handle, block));
    return true;
}

bool RestoreFrequency()
{
    bool sent = false;
    return WithBoard([&](usb_dev_handle* h) { sent = RestoreOwedFrequency(h); }, false) && sent;
}

// Runs every 10 ms while keying: a failed transfer is not raised, the next key
// change sends again, and online detection shows a board that went away.
bool SetFrequencyFast(double frequencyHz)
{
    TDividerSetting setting;
    const bool found = FindDividersFast(frequencyHz / 1000000, FxtalMHz, setting);
    TRegisterBlock block;
    if (!RegistersFor(frequencyHz, found, setting, block))
        return false;
    usb_init();
    if (PersistentHandle)  // keying without an open handle has nothing to send on
        SendRegisters(PersistentHandle, block);
    return found;
}

// A poll that brings no key byte changes nothing and sends nothing; the next
// tick asks again. Only a board that has left the bus (and is not back at
// once) ends the polling.
bool PollFskKey()
{
    if (!PersistentHandle)
        return true;
    char key = 0;
    int got = -ENODEV;
    try {
        got = PersistentBoard.Run([&](usb_dev_handle* h) { return ReceiveKey(h, key); });
    } catch (const UsbError&) {
        // Back, but it cannot be opened again: as good as gone for keying.
    }
    if (got == -ENODEV)
        return false;
    if (got != 1)
        return true;
    const int state = static_cast<uint8_t>(key);
    if (state == FskLastKeyState)
        return true;
    FskLastKeyState = state;
    SetFrequencyFast(state & 0x20 ? FskBaseFrequency : FskShiftedFrequency);
    return true;
}

TRegisterBlock ReadSi570Registers(TKeptBoard& board)
{
    TRegisterBlock block{};
    CheckRegistersReceived(KeptTransfer(board, [&](usb_dev_handle* h) { return ReceiveRegisters(h, block); }));
    return block;
}

uint8_t ReadKeyByte(TKeptBoard& board)
{
    char key = 0;
    CheckTransfer(KeptTransfer(board, [&](usb_dev_handle* h) { return ReceiveKey(h, key); }), 1,
                  {"Reading the key input", TransferSite::Plain, 0});
    return static_cast<uint8_t>(key);
}

bool CalibrateCrystal(double& crystalMHz, double& readBackMHz, double startupMHz)
{
    TRegisterBlock block{};
    const bool opened = WithBoard([&](usb_dev_handle* h) { CheckRegistersReceived(ReceiveRegisters(h, block)); });
    if (!opened)
        return false;
    const TRegisterReadBack r = DecodeRegisters(block, startupMHz);
    readBackMHz = r.ReadBackMHz;
    crystalMHz = r.CrystalMHz;
    return true;
}

bool SetRememberLastFrequency(bool on)
{
    return WithBoard([&](usb_dev_handle* h) {
        // The reply is ignored, and firmware may send fewer than six bytes.
        char ignored[6];
        CheckTransfer(usb_control_msg(h, VendorIn, ReqRememberLast, on ? I2CAddress : 255, 0, ignored, sizeof ignored,
                                      VendorTimeoutMs),
                      0, {"Switching remember-last-frequency", TransferSite::SiAddress, I2CAddress});
    });
}

bool ReadRememberLastFrequency(bool& on)
{
    uint8_t byte = 0xFF;
    if (!WithBoard([&](usb_dev_handle* h) { byte = ReadEepromByte(h, EepromRememberLast, 0); }))
        return false;
    on = byte == I2CAddress;
    return true;
}

bool EraseEeprom()
{
    const bool opened = WithBoard([](usb_dev_handle* h) {
        for (int address = 0; address < static_cast<int>(EepromImage.size()); ++address)
            WriteEepromByte(h, address, 0xFF);
    });
    if (opened)
        FxtalMHz = NominalXtalMHz;
    return opened;
}

bool ReadEepromImage(const TByteProgress& progress)
{
    // Read into a copy: a read that fails half-way must not leave a mix of the
    // board's bytes and old ones looking like the board's content.
    std::array<uint8_t, 512> image;
    if (!WithBoard([&](usb_dev_handle* h) {
            for (size_t address = 0; address < image.size(); ++address) {
                image[address] = ReadEepromByte(h, static_cast<int>(address), 255);
                if (progress)
                    progress(static_cast<int>(address) + 1);
            }
        }))
        return false;
    EepromImage = image;
    return true;
}

bool WriteEepromImage(const TByteProgress& progress)
{
    return WithBoard([&](usb_dev_handle* h) {
        for (size_t address = 0; address < EepromImage.size(); ++address) {
            WriteEepromByte(h, static_cast<int>(address), EepromImage[address]);
            if (progress)
                progress(static_cast<int>(address) + 1);
        }
    });
}

// -1 for a board that is absent or does not deliver the byte, as callers expect.
int ReadSpeedGrade()
{
    char code = 0;
    int got = -1;
    if (!WithBoard([&](usb_dev_handle* h) {
            got = usb_control_msg(h, VendorIn, ReqReadEeprom, EepromSpeedGrade, 0, &code, 1, VendorTimeoutMs);
        }))
        return -1;
    if (got != 1)
        return -1;
    return code == 1 ? 0 : code == 2 ? 1 : 2;
}

bool SetSpeedGrade(int grade)
{
    const int code = grade + 1;
    return WithBoard([&](usb_dev_handle* h) {
        WriteEepromByte(h, EepromSpeedGrade, static_cast<uint8_t>(code));
        SendOut(h, ReqSpeedGrade, code, code, {"Setting the speed grade", TransferSite::Plain, 0});
    });
}

bool ResetAvr()
{
    return WithBoard([](usb_dev_handle* h) {
        SendOut(h, ReqReset, 0, 255, {"Resetting the board", TransferSite::Plain, 0});
    });
}

bool ReadXtalWord(TCalibrationWord& word)
{
    return ReadWord(EepromXtalWord, word);
}

bool ReadStartupWord(TCalibrationWord& word)
{
    return ReadWord(EepromStartupWord, word);
}

bool WriteXtalWord(const TCalibrationWord& word)
{
    return WriteWord(EepromXtalWord, word);
}

bool WriteStartupFrequency(float startupMHz)
{
    return WriteWord(EepromStartupWord, StartupMHzToWord(startupMHz));
}

void LoadCalibration()
{
    // Both words are read before either value changes, so a read that raises
    // changes nothing; a board that went away between the two reads keeps the
    // value whose word did not come.
    TCalibrationWord startup{};
    TCalibrationWord xtal{};
    const bool haveStartup = ReadStartupWord(startup);
    const bool haveXtal = ReadXtalWord(xtal);
    if (haveStartup)
        StartupFreqMHz = StartupWordToMHz(startup);
    if (haveXtal)
        FxtalMHz = XtalWordToMHz(xtal);
}
