#include "cli/CtlCommands.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ostream>
#include <vector>

#include "app/SettingsPath.h"
#include "cli/CtlOutput.h"
#include "flash/FirmwareImage.h"
#include "memory/EepromBoard.h"
#include "memory/EepromFile.h"
#include "memory/UIntelHex.h"
#include "mept/BeaconCheck.h"
#include "mept/MeptCode.h"
#include "support/NumberText.h"
#include "support/UUtils.h"
#include "usb/ChosenBoard.h"
#include "usb/DeviceList.h"
#include "usb/FlashCommands.h"
#include "usb/SynthCommands.h"

namespace {

// The settings that choose and address the board, from the program's settings
// file when there is one (keys in file order).
struct TStoredSettings {
    std::optional<std::string> Product;
    std::optional<std::string> Serial;
    std::optional<int> Port;
    std::optional<std::string> BeaconCode;
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
    return stored;
}

std::string Hex4(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

// The first address the firmware lets be rewritten; nothing (said on standard
// error) for firmware that cannot flash itself.
std::optional<uint16_t> SupportedFlashableStart(TCtlEnvironment& env)
{
    const uint16_t start = ReadFlashableStart();
    if ((start & 0xFF) != 0xFF)
        return start;
    env.Err << "quorvexctl: unsupported firmware: the board cannot flash itself\n";
    return std::nullopt;
}

std::vector<uint8_t> ReadFlash(TCtlEnvironment& env)
{
    std::vector<uint8_t> flash(FlashSize, 0xFF);
    TTextProgress progress(env, "Reading flash", FlashDumpBlocks);
    ReadFlashBlocks(FlashDumpBlocks, [&](int address, const TFlashBlock& block) {
        std::copy(block.begin(), block.end(), flash.begin() + address);
        progress.Step(address / FlashBlockSize + 1);
    });
    return flash;
}

std::string GradeName(int grade)
{
    return std::string(1, static_cast<char>('A' + std::clamp(grade, 0, 2)));
}

// What the program's start reads from a board before it tunes it.
void ReadBoardCalibration()
{
    const int grade = ReadSpeedGrade();
    if (grade >= 0)
        SpeedGrade = grade;
    LoadCalibration();
}

}  // namespace

bool ParseFrequency(const std::string& text, double& hz)
{
    double factor = 1;
    std::string number = text;
    if (!number.empty() && (number.back() == 'k' || number.back() == 'K' || number.back() == 'M')) {
        factor = number.back() == 'M' ? 1e6 : 1e3;
        number.pop_back();
    }
    double value = 0;
    if (!TryParseFloat(number, value) || !std::isfinite(value * factor) || value < 0)
        return false;
    hz = value * factor;
    return true;
}

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

int CmdList(bool report, bool json, TCtlEnvironment& env)
{
    TReport lines;
    EnumerateDevices(report ? &lines : nullptr, Devices);
    TJsonList list;
    for (const TDevice& d : Devices) {
        if (json)
            list.Add({{"product", d.Product}, {"port", d.UsbPortId}, {"serial", d.Serial},
                      {"manufacturer", d.Manufacturer}});
        else
            env.Out << d.Product << "\tport " << int(d.UsbPortId) << "\tserial " << d.Serial << "\t"
                    << d.Manufacturer << "\n";
    }
    if (json)
        env.Out << list.Text() << "\n";
    for (const std::string& line : lines)
        (json ? env.Err : env.Out) << line << "\n";
    // Listed or not, a board this user may not use is there: said, and the status says it.
    if (DeniedBoardSeen) {
        env.Err << "quorvexctl: " << DeniedBoardText() << "\n";
        return CtlTransfer;
    }
    return CtlOk;
}

int CmdSet(const std::string& frequency, bool json, TCtlEnvironment& env)
{
    double hz = 0;
    if (!ParseFrequency(frequency, hz)) {
        env.Err << "quorvexctl: '" << frequency << "' is not a frequency (Hz, or with k or M)\n";
        return CtlUsage;
    }
    ReadBoardCalibration();
    if (!SetFrequency(hz)) {
        env.Err << "quorvexctl: frequency not supported: " << FormatGeneral(hz) << " Hz\n";
        return CtlUsage;
    }
    if (json)
        env.Out << TJsonObject{{"frequency_hz", hz}, {"crystal_mhz", FxtalMHz}, {"speed_grade", GradeName(SpeedGrade)}}
                       .Text()
                << "\n";
    else
        env.Out << "f(SI570) = " << FormatGeneral(hz) << " Hz\n";
    return CtlOk;
}

int CmdCalibration(bool json, TCtlEnvironment& env)
{
    ReadBoardCalibration();
    if (json)
        env.Out << TJsonObject{{"crystal_mhz", FxtalMHz}, {"startup_mhz", StartupFreqMHz},
                               {"speed_grade", GradeName(SpeedGrade)}}
                       .Text()
                << "\n";
    else
        env.Out << "crystal\t" << FormatGeneral(FxtalMHz) << " MHz\nstart-up\t" << FormatGeneral(StartupFreqMHz)
                << " MHz\nspeed grade\t" << GradeName(SpeedGrade) << "\n";
    return CtlOk;
}

int CmdEepromRead(const std::string& file, TCtlEnvironment& env)
{
    const std::optional<TEepromImage> image = ReadBoardEeprom();
    if (!image)
        throw DeviceNotFoundError();
    WriteIntelHex(file, 0, static_cast<int>(image->size()), *image);
    env.Out << "EEPROM saved to " << file << "\n";
    return CtlOk;
}

int CmdEepromWrite(const std::string& file, bool partial, TCtlEnvironment& env)
{
    const TEepromFile image = LoadEepromFile(file, static_cast<int>(EepromImage.size()));
    if (!image.Missing.empty() && !partial)
        throw HexContentError(file + " does not cover the whole EEPROM: it leaves out " + image.MissingText() +
                              (image.Outside.empty() ? "" : "; " + image.OutsideText("not written")) +
                              ". Nothing was written; --partial writes the bytes it holds and keeps the board's own");
    if (!image.Outside.empty())
        env.Err << "quorvexctl: " << file << ": " << image.OutsideText("not written") << "\n";
    std::copy_n(image.Hex.Bytes.begin(), EepromImage.size(), EepromImage.begin());
    TTextProgress progress(env, "Backing up EEPROM", EepromWriteSteps);
    const std::string result = WriteBoardEeprom(
        [&](int done, const char* what) {
            progress.Say(what);
            progress.Step(done);
        },
        image.Missing);
    progress.Finish();
    env.Out << result << "\n";
    return result.starts_with(EepromVerifiedText) ? CtlOk : CtlDiffers;
}

int CmdFlash(const std::string& file, TCtlEnvironment& env)
{
    // The file first: one the chip cannot hold is refused before any request.
    const TFirmwareFile firmware = TFirmwareFile::Load(file);
    const std::optional<uint16_t> start = SupportedFlashableStart(env);
    if (!start)
        return CtlTransfer;
    const std::vector<uint8_t> image = firmware.ProgramImage(*start);
    const int blocks = (static_cast<int>(image.size()) - *start + FlashBlockSize - 1) / FlashBlockSize;
    TTextProgress progress(env, "Flashing", blocks);
    ProgramFlash(image, *start, [&](int address) { progress.Step((address - *start) / FlashBlockSize); });
    progress.Finish();
    env.Out << "Flashed " << blocks << " blocks, " << Hex4(*start) << " to "
            << Hex4(static_cast<int>(image.size()) - 1) << "\n";
    return CtlOk;
}

int CmdVerify(const std::string& file, TCtlEnvironment& env)
{
    // What was flashed: the file's bytes from the flashable start on.
    const TFirmwareFile firmware = TFirmwareFile::Load(file);
    const std::optional<uint16_t> start = SupportedFlashableStart(env);
    if (!start)
        return CtlTransfer;
    firmware.CheckVerifiable(*start);
    const std::vector<uint8_t> flash = ReadFlash(env);
    const TFlashComparison result = CompareFlash(firmware.Hex, flash, *start, FlashSize - 1, true);
    for (const int a : result.Differing)
        env.Out << "error at address " << Hex4(a).substr(2) << "\n";
    env.Out << ComparisonSummary(result, *start, true) << "\n";
    return result.Differing.empty() ? CtlOk : CtlDiffers;
}

int CmdDump(const std::string& file, TCtlEnvironment& env)
{
    const std::vector<uint8_t> flash = ReadFlash(env);
    WriteIntelHex(file, 0, FlashSize, flash);
    env.Out << "Flash saved to " << file << "\n";
    return CtlOk;
}

int CmdBeacon(const TBeaconOptions& options, TCtlEnvironment& env)
{
    const TStoredSettings stored = ReadStoredSettings();
    const std::string code = !options.Code.empty() ? options.Code : stored.BeaconCode.value_or(DefaultMeptCode);
    const int symbolMs = SymbolTimeMsOf(options.SymbolTimeS);
    const double offHz = options.OffMHz * 1e6;
    // The board's own crystal and speed grade decide what it can make.
    ReadBoardCalibration();
    const std::string refusal = BeaconRefusal({code, options.FrequencyHz, options.SpacingHz, offHz}, FxtalMHz,
                                              SpeedGrade, [](double hz) { return hz; });
    if (!refusal.empty()) {
        env.Err << "quorvexctl: " << refusal << "\n";
        return CtlUsage;
    }
    TMeptTransmission transmission;
    TMeptDrawing drawing;
    drawing.Clear();
    transmission.Start(code);
    bool failing = false;
    // A board that fails is said once, until a frequency gets through again.
    const auto send = [&](double hz) {
        try {
            SetFrequency(hz);
            failing = false;
        } catch (const QuorvexError& e) {
            if (!failing)
                env.Err << "quorvexctl: " << e.what() << "\n";
            failing = true;
        }
    };
    env.Out << "Sending " << code << " every " << symbolMs << " ms per symbol; stop with Ctrl+C\n" << std::flush;
    using Clock = std::chrono::steady_clock;
    int intervalMs = symbolMs;
    auto due = Clock::now() + std::chrono::milliseconds(intervalMs);
    while (!env.StopRequested()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - Clock::now()).count();
        if (left > 0) {
            env.Sleep(static_cast<int>(std::min<long long>(left, 100)));  // answer a stop within 100 ms
            continue;
        }
        const TMeptTick tick = transmission.Tick(drawing);
        if (tick.IntervalFactor > 0)
            intervalMs = symbolMs * tick.IntervalFactor;
        if (tick.Stop)
            break;
        if (tick.Symbol)
            send(SymbolFrequencyOf(*tick.Symbol, options.FrequencyHz, options.SpacingHz, offHz));
        if (transmission.Finished)
            transmission.Start(code);
        if (transmission.PendingCode.empty())
            transmission.Finished = true;
        // Due one interval after the last was due, so the schedule keeps time.
        due += std::chrono::milliseconds(intervalMs);
    }
    send(offHz);
    env.Out << "Stopped; the board is on the off frequency " << FormatGeneral(offHz) << " Hz\n";
    return failing ? CtlTransfer : CtlOk;
}
