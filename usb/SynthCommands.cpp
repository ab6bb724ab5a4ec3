#include "usb/SynthCommands.h"

#include <cstring>

namespace {

constexpr int TypeIn = USB_TYPE_VENDOR | USB_RECIP_DEVICE | USB_ENDPOINT_IN;    // 0xC0
constexpr int TypeOut = USB_TYPE_VENDOR | USB_RECIP_DEVICE | USB_ENDPOINT_OUT;  // 0x40

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
// one data byte that follows means nothing.
int SendOut(usb_dev_handle* h, int request, int value, int index)
{
    char unused = 0;
    return usb_control_msg(h, TypeOut, request, value, index, &unused, 1, VendorTimeoutMs);
}

int ReadEepromByte(usb_dev_handle* h, int address, int index, uint8_t& byte)
{
    char c = static_cast<char>(0xFF);  // a failed read leaves an erased-looking byte
    const int got = usb_control_msg(h, TypeIn, ReqReadEeprom, address, index, &c, 1, VendorTimeoutMs);
    byte = static_cast<uint8_t>(c);
    return got;
}

// The open-per-request pattern: open the selected board, run the transfers,
// close. Returns false without a transfer when the board is absent.
template <typename Transfers>
bool WithBoard(Transfers&& transfers)
{
    usb_init();
    usb_dev_handle* handle = nullptr;
    if (!OpenSelectedDevice(handle))
        return false;
    transfers(handle);
    usb_close(handle);
    return true;
}

void SendRegisters(usb_dev_handle* h, const TRegisterBlock& block)
{
    char bytes[6];
    std::memcpy(bytes, block.data(), sizeof bytes);
    usb_control_msg(h, TypeOut, ReqWriteRegisters, 0x0700 + I2CAddress, 0, bytes, sizeof bytes, VendorTimeoutMs);
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
    return WithBoard([&](usb_dev_handle* h) {
        for (int i = 0; i < 4; ++i)
            ReadEepromByte(h, first + i, 0, word[static_cast<size_t>(i)]);
    });
}

bool WriteWord(int first, const TCalibrationWord& word)
{
    return WithBoard([&](usb_dev_handle* h) {
        for (int i = 0; i < 4; ++i)
            SendOut(h, ReqWriteEeprom, first + i, word[static_cast<size_t>(i)]);
        SendOut(h, ReqWriteEeprom, EepromCalibrationStatus, 0);
    });
}

}  // namespace

bool SetFrequency(double frequencyHz)
{
    TDividerSetting setting;
    const bool found = FindDividers(frequencyHz / 1000000, FxtalMHz, SpeedGrade, setting);
    TRegisterBlock block;
    if (!RegistersFor(frequencyHz, found, setting, block))
        return false;
    if (!WithBoard([&](usb_dev_handle* h) { SendRegisters(h, block); }))
        throw DeviceNotFoundError();
    return found;
}

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

void PollFskKey()
{
    if (!PersistentHandle)
        return;
    char key = 0;
    usb_control_msg(PersistentHandle, TypeIn, ReqKeyState, 0, 0, &key, 1, VendorTimeoutMs);
    const int state = static_cast<uint8_t>(key);
    if (state == FskLastKeyState)
        return;
    FskLastKeyState = state;
    SetFrequencyFast(state & 0x20 ? FskBaseFrequency : FskShiftedFrequency);
}

bool CalibrateCrystal(double& crystalMHz, double& readBackMHz, double startupMHz)
{
    TRegisterBlock block{};
    const bool opened = WithBoard([&](usb_dev_handle* h) {
        usb_control_msg(h, TypeIn, ReqReadRegisters, I2CAddress, 0, reinterpret_cast<char*>(block.data()),
                        static_cast<int>(block.size()), VendorTimeoutMs);
    });
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
        char ignored[6];
        usb_control_msg(h, TypeIn, ReqRememberLast, on ? I2CAddress : 255, 0, ignored, sizeof ignored,
                        VendorTimeoutMs);
    });
}

bool EraseEeprom()
{
    const bool opened = WithBoard([](usb_dev_handle* h) {
        for (int address = 0; address < static_cast<int>(EepromImage.size()); ++address)
            SendOut(h, ReqWriteEeprom, address, 0xFF);
    });
    if (opened)
        FxtalMHz = NominalXtalMHz;
    return opened;
}

bool ReadEepromImage()
{
    return WithBoard([](usb_dev_handle* h) {
        for (size_t address = 0; address < EepromImage.size(); ++address)
            ReadEepromByte(h, static_cast<int>(address), 255, EepromImage[address]);
    });
}

bool WriteEepromImage()
{
    return WithBoard([](usb_dev_handle* h) {
        for (size_t address = 0; address < EepromImage.size(); ++address)
            SendOut(h, ReqWriteEeprom, static_cast<int>(address), EepromImage[address]);
    });
}

int ReadSpeedGrade()
{
    uint8_t code = 0;
    int got = -1;
    if (!WithBoard([&](usb_dev_handle* h) { got = ReadEepromByte(h, EepromSpeedGrade, 0, code); }))
        return -1;
    if (got != 1)
        return -1;
    return code == 1 ? 0 : code == 2 ? 1 : 2;
}

bool SetSpeedGrade(int grade)
{
    const int code = grade + 1;
    return WithBoard([&](usb_dev_handle* h) {
        SendOut(h, ReqWriteEeprom, EepromSpeedGrade, code);
        SendOut(h, ReqSpeedGrade, code, code);
    });
}

bool ResetAvr()
{
    return WithBoard([](usb_dev_handle* h) { SendOut(h, ReqReset, 0, 255); });
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
    // A board that went away between the two reads keeps the values we had.
    TCalibrationWord startup{};
    if (ReadStartupWord(startup))
        StartupFreqMHz = StartupWordToMHz(startup);
    TCalibrationWord xtal{};
    if (ReadXtalWord(xtal))
        FxtalMHz = XtalWordToMHz(xtal);
}
