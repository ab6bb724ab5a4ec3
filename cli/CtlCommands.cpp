// The commands of the board's memories (EEPROM and flash, their Intel HEX
// files), the board list and the stored calibration, and what every command
// shares: its answer and the failures it raises.
#include "cli/CtlCommands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <vector>

#include "flash/FirmwareImage.h"
#include "memory/EepromBoard.h"
#include "memory/EepromFile.h"
#include "memory/UIntelHex.h"
#include "support/NumberText.h"
#include "usb/DeviceList.h"
#include "usb/FlashCommands.h"
#include "usb/SynthCommands.h"

namespace {

constexpr const char* StandardStream = "-";

std::string Hex4(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(value));
    return text;
}

// A file argument: "-" is standard input here.
THexImage LoadHexArgument(const TCtlCall& call, const std::string& file, uint8_t fill)
{
    if (file != StandardStream)
        return THexImage::Load(file, fill);
    const auto none = [](std::string&) { return false; };
    return THexImage::Load(call.Env.ReadLine ? call.Env.ReadLine : THexLineReader(none), "standard input", fill);
}

// A file to write: "-" is standard output, which then carries nothing else.
// In a batch session standard output carries the answers.
bool ToStandardOutput(const TCtlCall& call, const std::string& file)
{
    if (file != StandardStream)
        return false;
    if (call.InBatch)
        throw TCtlFailure(CtlUsage, call.Name() + ": FILE '-' is standard output, which carries a batch session's "
                                                  "answers: name a file");
    return true;
}

// A file named by its path that is standard output (/dev/stdout, or the
// file standard output was sent to) carries the records alone, as - does.
bool IsStandardOutput(const TCtlCall& call, const std::string& file)
{
    struct stat named {};
    struct stat out {};
    return call.Env.OutFd >= 0 && ::stat(file.c_str(), &named) == 0 && ::fstat(call.Env.OutFd, &out) == 0 &&
           named.st_dev == out.st_dev && named.st_ino == out.st_ino;
}

void SaveHex(const TCtlCall& call, const std::string& file, std::span<const uint8_t> bytes, const char* what)
{
    if (ToStandardOutput(call, file)) {
        call.Env.Out << IntelHexText(0, static_cast<int>(bytes.size()), bytes);
        return;
    }
    WriteIntelHex(file, 0, static_cast<int>(bytes.size()), bytes);
    if (!IsStandardOutput(call, file))
        call.Reply(std::string(what) + " saved to " + file, {{"saved", file}});
}

// The first address the firmware lets be rewritten; refused for firmware
// that cannot flash itself.
uint16_t SupportedFlashableStart()
{
    const uint16_t start = ReadFlashableStart();
    if ((start & 0xFF) == 0xFF)
        throw TCtlFailure(CtlTransfer, "unsupported firmware: the board cannot flash itself");
    return start;
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

}  // namespace

std::string SpeedGradeName(int grade)
{
    return std::string(1, static_cast<char>('A' + std::clamp(grade, 0, 2)));
}

void TCtlCall::Reply(const std::string& text, const TJsonObject& json) const
{
    Env.Out << (Json ? json.Text() : text) << "\n";
}

void TCtlCall::Warn(const std::string& text) const
{
    Env.Err << WarningLine(text, Json) << "\n";
}

double TCtlCall::MultiplierOption() const
{
    const auto m = Args.Value("--multiplier");
    if (!m)
        return Scale.Multiplier;
    const double multiplier = NumberValue(Name(), "--multiplier", *m, "a number other than 0");
    if (multiplier == 0)
        RefuseValue(Name(), "--multiplier", *m, "a number other than 0");
    return multiplier;
}

TFrequencyScale TCtlCall::ScaleOption() const
{
    TFrequencyScale scale = Scale;
    scale.Multiplier = MultiplierOption();
    if (const auto o = Args.Value("--offset"))
        scale.OffsetMHz = NumberValue(Name(), "--offset", *o, "MHz, a number");
    return scale;
}

bool TCtlCall::Pause(long long ms) const
{
    for (long long left = ms; left > 0;) {
        if (Env.StopRequested && Env.StopRequested())
            return false;
        const long long step = std::min<long long>(left, 100);  // a stop is answered within 100 ms
        if (Env.Sleep)
            Env.Sleep(static_cast<int>(step));
        left -= step;
    }
    return !(Env.StopRequested && Env.StopRequested());
}

TCtlOutcome RunCaught(TCtlCall& call, const TCtlRun& run)
{
    try {
        return {run ? run(call) : call.Args.Command->Run(call), {}};
    } catch (const TCtlFailure& e) {
        return {e.Status, e.what()};
    } catch (const DeviceNotFoundError& e) {
        call.Board.Forget();
        return {CtlNoBoard, e.what()};
    } catch (const UsbError& e) {
        return {CtlTransfer, e.what()};
    } catch (const FileError& e) {
        return {CtlFile, e.what()};
    } catch (const QuorvexError& e) {  // conversion and range errors: of a file's content
        return {CtlFile, e.what()};
    }
}

int CmdList(TCtlCall& call)
{
    TReport lines;
    EnumerateDevices(call.Args.Has("--report") ? &lines : nullptr, Devices);
    TJsonList list;
    for (const TDevice& d : Devices) {
        if (call.Json)
            list.Add({{"product", d.Product}, {"port", d.UsbPortId}, {"serial", d.Serial},
                      {"manufacturer", d.Manufacturer}});
        else
            call.Env.Out << d.Product << "\tport " << int(d.UsbPortId) << "\tserial " << d.Serial << "\t"
                         << d.Manufacturer << "\n";
    }
    if (call.Json)
        call.Env.Out << list.Text() << "\n";
    for (const std::string& line : lines)
        (call.Json ? call.Env.Err : call.Env.Out) << line << "\n";
    // Listed or not, a board this user may not use is there: said, and the status says it.
    if (DeniedBoardSeen)
        throw TCtlFailure(CtlTransfer, DeniedBoardText());
    return CtlOk;
}

int CmdCalibration(TCtlCall& call)
{
    call.Board.Choose();
    ReadBoardValues();
    call.Reply("crystal\t" + FormatGeneral(FxtalMHz) + " MHz\nstart-up\t" + FormatGeneral(StartupFreqMHz) +
                   " MHz\nspeed grade\t" + SpeedGradeName(SpeedGrade),
               {{"crystal_mhz", FxtalMHz},
                {"startup_mhz", StartupFreqMHz},
                {"speed_grade", SpeedGradeName(SpeedGrade)}});
    return CtlOk;
}

int CmdEepromRead(TCtlCall& call)
{
    const std::string& file = call.Args.Arguments[0];
    ToStandardOutput(call, file);  // refused before the board is read
    call.Board.Choose();
    TTextProgress progress(call.Env, "Reading EEPROM", static_cast<int>(EepromImage.size()));
    const std::optional<TEepromImage> image = ReadBoardEeprom([&](int done) { progress.Step(done); });
    progress.Finish();
    if (!image)
        throw DeviceNotFoundError();
    SaveHex(call, file, *image, "EEPROM");
    return CtlOk;
}

int CmdEepromWrite(TCtlCall& call)
{
    const std::string& file = call.Args.Arguments[0];
    const TEepromFile image = EepromFileOf(LoadHexArgument(call, file, 0x00), static_cast<int>(EepromImage.size()));
    if (!image.Missing.empty() && !call.Args.Has("--partial"))
        throw HexContentError(image.Hex.FileName + " does not cover the whole EEPROM: it leaves out " +
                              image.MissingText() +
                              (image.Outside.empty() ? "" : "; " + image.OutsideText("not written")) +
                              ". Nothing was written; --partial writes the bytes it holds and keeps the board's own");
    if (!image.Outside.empty())
        call.Warn(image.Hex.FileName + ": " + image.OutsideText("not written"));
    call.Board.Choose();
    std::copy_n(image.Hex.Bytes.begin(), EepromImage.size(), EepromImage.begin());
    TTextProgress progress(call.Env, "Backing up EEPROM", EepromWriteSteps);
    const std::string result = WriteBoardEeprom(
        [&](int done, const char* what) {
            progress.Say(what);
            progress.Step(done);
        },
        image.Missing);
    progress.Finish();
    if (!result.starts_with(EepromVerifiedText))
        throw TCtlFailure(CtlDiffers, result);
    call.Reply(result, {{"result", result}, {"backup", result.substr(result.rfind("Backup: ") + 8)}});
    return CtlOk;
}

int CmdFlash(TCtlCall& call)
{
    // The file first: one the chip cannot hold is refused before any request.
    const TFirmwareFile firmware = TFirmwareFile::Of(LoadHexArgument(call, call.Args.Arguments[0], 0xFF));
    call.Board.Choose();
    const uint16_t start = SupportedFlashableStart();
    const std::vector<uint8_t> image = firmware.ProgramImage(start);
    const int blocks = (static_cast<int>(image.size()) - start + FlashBlockSize - 1) / FlashBlockSize;
    TTextProgress progress(call.Env, "Flashing", blocks);
    ProgramFlash(image, start, [&](int address) { progress.Step((address - start) / FlashBlockSize); });
    progress.Finish();
    const std::string last = Hex4(static_cast<int>(image.size()) - 1);
    call.Reply("Flashed " + CountText(blocks, "block") + ", " + Hex4(start) + " to " + last,
               {{"blocks", blocks}, {"first", Hex4(start)}, {"last", last}});
    return CtlOk;
}

int CmdVerify(TCtlCall& call)
{
    // What was flashed: the file's bytes from the flashable start on.
    const TFirmwareFile firmware = TFirmwareFile::Of(LoadHexArgument(call, call.Args.Arguments[0], 0xFF));
    call.Board.Choose();
    const uint16_t start = SupportedFlashableStart();
    firmware.CheckVerifiable(start);
    const std::vector<uint8_t> flash = ReadFlash(call.Env);
    const TFlashComparison result = CompareFlash(firmware.Hex, flash, start, FlashSize - 1, true);
    const std::string summary = ComparisonSummary(result, start, true);
    if (!call.Json)
        for (const int a : result.Differing)
            call.Env.Out << "error at address " << Hex4(a).substr(2) << "\n";
    if (!result.Differing.empty())
        throw TCtlFailure(CtlDiffers, summary);
    call.Reply(summary, {{"result", summary}, {"compared", result.Compared}});
    return CtlOk;
}

int CmdDump(TCtlCall& call)
{
    const std::string& file = call.Args.Arguments[0];
    ToStandardOutput(call, file);
    call.Board.Choose();
    SaveHex(call, file, ReadFlash(call.Env), "Flash");
    return CtlOk;
}
