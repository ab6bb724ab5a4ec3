#include "app/SettingsFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/UQuorvex.h"
#include "net/NetControlSettings.h"
#include "support/Errors.h"
#include "support/NumberText.h"
#include "support/UUtils.h"
#include "wspr/WsprFields.h"

namespace {

// One value per line: a line break inside a text value would split it and
// leave the rest of the file out of step, so it is written as a blank.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

FileError SystemFileError(const std::string& what, const std::string& path)
{
    return FileError(what + path + ": " + std::strerror(errno));
}

}  // namespace

void ReadSettings(std::istream& file, QComboBox& unit, QCheckBox& onlineDetect)
{
    int32_t number = 0;
    ReadFloatAfterKey(file, "Frequency=", Frequency);
    // The selector has exactly its three units; any other stored index is ignored.
    if (ReadIntegerAfterKey(file, "Unit=", number) && number >= 0 && number < unit.count())
        unit.setCurrentIndex(number);
    ReadFloatAfterKey(file, "Multiplier=", Multiplier);
    ReadFloatAfterKey(file, "Offset=", Offset);
    ReadFloatAfterKey(file, "Increment=", Increment);
    if (ReadIntegerAfterKey(file, "I2CAddress=", number))
        I2CAddress = static_cast<uint8_t>(number & 0xFF);
    ReadFloatAfterKey(file, "F_Startup=", StartupFreqMHz);
    ReadIntegerAfterKey(file, "MemoryOn=", MemoryOn);
    ReadFloatAfterKey(file, "UserInc=", UserInc);
    ReadFloatAfterKey(file, "FSK-Shift=", FskShift);
    ReadFloatAfterKey(file, "fcryst=", FxtalMHz);
    if (ReadIntegerAfterKey(file, "OnlineDetect=", number))
        onlineDetect.setChecked(number == 1);
    ReadStringAfterKey(file, "Device=", SelProduct);
    ReadStringAfterKey(file, "DevSerial=", SelSerial);
    if (ReadIntegerAfterKey(file, "DevNo=", number))
        SelUsbPortId = static_cast<uint8_t>(number & 0xFF);
    ReadIntegerAfterKey(file, "SpeedGrade=", SpeedGrade);
    ReadStringAfterKey(file, "MEPT_Text=", MEPT_Text);
    // Added later, after every older key, so a file from an older program
    // reads as it did, its lines of these keys missing and their defaults
    // kept; an older program reading this file stops at MEPT_Text.
    ReadWsprFields(file, WsprFields);
    ReadStringAfterKey(file, "NetListen=", NetControlSettings.Listen);
    if (ReadIntegerAfterKey(file, "NetControl=", number))
        NetControlSettings.On = number == 1;
}

std::string SettingsText(int unitIndex, bool rememberLastFrequency, bool onlineDetect)
{
    std::string text;
    auto line = [&](const char* key, const std::string& value) { text += key + value + "\r\n"; };
    line("Frequency=", FormatSettingsFloat(Frequency));
    line("Unit=", std::to_string(unitIndex));
    line("Multiplier=", FormatSettingsFloat(Multiplier));
    line("Offset=", FormatSettingsFloat(Offset));
    line("Increment=", FormatSettingsFloat(Increment));
    line("I2CAddress=", std::to_string(I2CAddress));
    line("F_Startup=", FormatSettingsFloat(StartupFreqMHz));
    line("MemoryOn=", rememberLastFrequency ? "1" : "0");
    line("UserInc=", FormatSettingsFloat(UserInc));
    line("FSK-Shift=", FormatSettingsFloat(FskShift));
    line("fcryst=", FormatSettingsFloat(FxtalMHz));
    line("OnlineDetect=", onlineDetect ? "1" : "0");
    line("Device=", OneLine(SelProduct));
    line("DevSerial=", OneLine(SelSerial));
    line("DevNo=", std::to_string(SelUsbPortId));
    line("SpeedGrade=", std::to_string(SpeedGrade));
    line("MEPT_Text=", OneLine(MEPT_Text));
    line("WSPR_Call=", OneLine(WsprFields.Call));
    line("WSPR_Locator=", OneLine(WsprFields.Locator));
    line("WSPR_Power=", OneLine(WsprFields.Power));
    line("WSPR_Dial=", OneLine(WsprFields.Dial));
    line("WSPR_Audio=", OneLine(WsprFields.Audio));
    line("WSPR_EveryNth=", WsprFields.EveryNth ? "1" : "0");
    line("WSPR_Share=", OneLine(WsprFields.Share));
    line("WSPR_Every=", OneLine(WsprFields.Every));
    line("WSPR_Off=", OneLine(WsprFields.Off));
    line("NetListen=", OneLine(NetControlSettings.Listen));
    line("NetControl=", NetControlSettings.On ? "1" : "0");
    return text;
}

// Not QSaveFile: it reports a write cut short (a full disk) as success and
// puts the truncated file in place.
void WriteSettingsFile(const std::string& path, const std::string& text)
{
    const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw SystemFileError("Cannot create file ", path);
    const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), path.c_str()) != 0) {
        const FileError error = SystemFileError("Cannot write file ", path);
        ::unlink(temporary.c_str());
        throw error;
    }
}
