// A settings file edited by hand, read as the program's start reads it: the
// keys in order into the shared settings and the two controls, then the
// values used as the start uses them. Nothing may raise but what the start
// catches, and a file the program writes reads back to the same file.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

#include "app/SettingsFile.h"
#include "app/UQuorvex.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"
#include "usb/UUSB.h"
#include "wspr/WsprFields.h"

namespace {

QComboBox* Unit = nullptr;
QCheckBox* OnlineDetect = nullptr;

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// What the program holds before it reads a file.
void Defaults()
{
    Frequency = 0;
    Multiplier = 1;
    Offset = 0;
    Increment = 1;
    UserInc = 12500;
    MemoryOn = 0;
    FskShift = 100;
    MEPT_Text = DefaultMeptCode;
    WsprFields = {};
    I2CAddress = 0x55;
    FxtalMHz = NominalXtalMHz;
    StartupFreqMHz = DefaultStartupMHz;
    SpeedGrade = 0;
    SelProduct = "VELNOR-I2C";
    SelSerial = "NONE";
    SelUsbPortId = 1;
    Unit->setCurrentIndex(2);
    OnlineDetect->setChecked(false);
}

std::string Written()
{
    return SettingsText(Unit->currentIndex(), MemoryOn == 1, OnlineDetect->isChecked());
}

std::string ReadBack(const std::string& text)
{
    Defaults();
    std::istringstream file(text);
    ReadSettings(file, *Unit, *OnlineDetect);
    return Written();
}

// The frequency as the field shows it, read back and sent, and the FSK pair.
void UseAtStart()
{
    const double factor = UnitFactorOf(Unit->currentIndex());
    double shown = 0;
    if (!TryParseFloat(FormatGeneral(Frequency / factor), shown))
        return;  // the field refuses it and keeps the focus
    const double output = OutputFrequencyOf(factor * shown);
    TDividerSetting setting;
    if (FindDividers(output / 1000000, FxtalMHz, SpeedGrade, setting))
        PackRegisters(setting);
    for (const double keyed : {output, OutputFrequencyOf(factor * shown + FskShift)})
        if (FindDividersFast(keyed / 1000000, FxtalMHz, setting))
            PackRegisters(setting);
    // The setup dialog stores both on the board.
    try {
        XtalMHzToWord(FxtalMHz);
    } catch (const RangeError&) {
    }
    try {
        StartupMHzToWord(StartupFreqMHz);
    } catch (const RangeError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    new QApplication(*argc, *argv);
    Unit = new QComboBox;
    Unit->addItems({"Hz", "kHz", "MHz"});
    OnlineDetect = new QCheckBox;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string written = ReadBack(std::string(reinterpret_cast<const char*>(data), size));
    UseAtStart();
    Require(ReadBack(written) == written);
    return 0;
}
