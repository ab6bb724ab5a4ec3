// What the main window and the setup dialog do to the board: the frequency
// set and read back, the key, the crystal calibration and its shifts, the
// start-up frequency, the speed grade, the remember setting and the erase.
// The same device-link operations, checks and texts as the windows.
#include <cfloat>
#include <cmath>
#include <optional>

#include "cli/CtlCommands.h"
#include "memory/EepromBoard.h"
#include "setup/CalibrationMath.h"
#include "setup/ResetWait.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"

namespace {

// Both frequencies to 0.01 Hz: the Si570's registers resolve about 1 mHz.
double Centihertz(double hz)
{
    return std::round(hz * 100) / 100;
}

// "f(SI570) = 14074000 Hz", with the display frequency in front when a
// multiplier or an offset stands between them.
void ReplyFrequency(const TCtlCall& call, double si570Hz, const TFrequencyScale& scale)
{
    const double displayHz = Centihertz(DisplayFrequencyOf(si570Hz, scale.Multiplier, scale.OffsetMHz));
    const std::string si570 = "f(SI570) = " + FormatGeneral(si570Hz) + " Hz";
    call.Reply(scale == TFrequencyScale{} ? si570 : "f = " + FormatGeneral(displayHz) + " Hz, " + si570,
               {{"frequency_hz", si570Hz},
                {"crystal_mhz", FxtalMHz},
                {"speed_grade", SpeedGradeName(SpeedGrade)},
                {"display_hz", displayHz},
                {"multiplier", scale.Multiplier},
                {"offset_mhz", scale.OffsetMHz}});
}

// What the Si570 makes now (Hz) by the crystal the program knows, before
// that changes; none when its registers make no frequency.
std::optional<double> ProgramFrequencyNow(TCtlCall& call)
{
    const double mhz = RegisterOutputMHz(call.Board.Session().ReadRegisters(), FxtalMHz);
    if (!(mhz > 0))
        return std::nullopt;
    return mhz * 1e6;
}

// What a window does after the crystal changed: the frequency it shows goes
// out again with the new crystal. Here that is what the board made before.
void ApplyAgain(TCtlCall& call, const std::optional<double>& hz)
{
    if (hz)
        call.Board.Session().SetFrequency(*hz);
}

// The remember setting and the frequency put back when a calibration does
// not complete, as the dialog does; what fails on the way back is not said:
// the failure that ended the calibration is.
class TCalibrationGuard {
public:
    TCalibrationGuard(TCtlCall& call, bool remember, std::optional<double> hz)
        : call_(call), remember_(remember), hz_(hz) {}
    ~TCalibrationGuard()
    {
        if (completed_)
            return;
        try {
            SetRememberLastFrequency(remember_);
            ApplyAgain(call_, hz_);
        } catch (const QuorvexError&) {
        }
    }
    TCalibrationGuard(const TCalibrationGuard&) = delete;
    TCalibrationGuard& operator=(const TCalibrationGuard&) = delete;
    void Completed() { completed_ = true; }

private:
    TCtlCall& call_;
    bool remember_;
    std::optional<double> hz_;
    bool completed_ = false;
};

void Found(bool opened)
{
    if (!opened)
        throw DeviceNotFoundError();
}

}  // namespace

int CmdGet(TCtlCall& call)
{
    const TFrequencyScale scale = call.ScaleOption();
    call.Board.ChooseWithValues();
    const TRegisterBlock block = call.Board.Session().ReadRegisters();
    const double mhz = RegisterOutputMHz(block, FxtalMHz);
    if (!(mhz >= 0))
        throw TCtlFailure(CtlTransfer, "the Si570's registers hold an HS_DIV code that makes no frequency");
    ReplyFrequency(call, Centihertz(mhz * 1e6), scale);
    return CtlOk;
}

void SetAndReply(TCtlCall& call, double displayHz, const TFrequencyScale& scale)
{
    const double hz = Si570FrequencyOf(displayHz, scale.Multiplier, scale.OffsetMHz);
    call.Board.ChooseWithValues();
    if (!call.Board.Session().SetFrequency(hz))
        throw TCtlFailure(CtlUsage, "frequency not supported: " + FormatGeneral(hz) + " Hz");
    ReplyFrequency(call, hz, scale);
}

int CmdSet(TCtlCall& call)
{
    const double displayHz = FrequencyValue(call.Name(), "FREQ", call.Args.Arguments[0]);
    SetAndReply(call, displayHz, call.ScaleOption());
    return CtlOk;
}

int CmdKey(TCtlCall& call)
{
    call.Board.Choose();
    const uint8_t key = call.Board.Session().ReadKey();
    const char* state = key & 0x20 ? "up" : "down";
    call.Reply(std::string("key ") + state, {{"key", state}, {"byte", static_cast<int>(key)}});
    return CtlOk;
}

// The dialog's calibration: the Si570 back at its factory start-up setting,
// its registers read, the crystal that makes them give the start-up frequency
// stored on the board kept when it lies in 110..120 MHz.
int CmdCalibrate(TCtlCall& call)
{
    call.Board.Choose();
    ReadBoardValues();
    const std::optional<double> before = ProgramFrequencyNow(call);
    bool remember = false;
    Found(ReadRememberLastFrequency(remember));
    TCalibrationGuard guard(call, remember, before);
    // The start-up registers are only read back if the chip does not keep its last frequency.
    Found(SetRememberLastFrequency(false));
    SetFrequency(0);
    double crystalMHz = FxtalMHz;
    double nominalMHz = 0;
    try {
        Found(CalibrateCrystal(crystalMHz, nominalMHz, StartupFreqMHz));
    } catch (const ZeroDivideError& e) {  // registers that make no frequency: the board's answer
        throw TCtlFailure(CtlTransfer, e.what());
    }
    if (!CrystalInWindow(crystalMHz))
        throw TCtlFailure(CtlUsage, std::string(CrystalOutsideText) + " " + WrongStartupText + " " +
                                        StartupNearText(nominalMHz) + " (quorvexctl startup FREQ stores it)");
    Found(SetRememberLastFrequency(remember));
    // Only a crystal the board has stored is reported and used.
    Found(WriteXtalWord(XtalMHzToWord(crystalMHz)));
    guard.Completed();
    FxtalMHz = crystalMHz;
    ApplyAgain(call, before);
    call.Reply(CrystalFoundText(FxtalMHz), {{"crystal_mhz", FxtalMHz}, {"startup_mhz", StartupFreqMHz}});
    return CtlOk;
}

int CmdShift(TCtlCall& call)
{
    const std::string direction = ChoiceValue(call.Name(), "direction", call.Args.Arguments[0], {"up", "down"});
    const std::string ppmText = call.Args.Value("--ppm").value_or("1");
    const char* steps = "ppm, one of 0.1, 1, 10, 100, 1000";
    const int step = PpmStepIndex(NumberValue(call.Name(), "--ppm", ppmText, steps));
    if (step < 0)
        RefuseValue(call.Name(), "--ppm", ppmText, steps);
    call.Board.Choose();
    ReadBoardValues();
    const std::optional<double> before = ProgramFrequencyNow(call);
    const double shiftedMHz = FxtalMHz * PpmFactor(direction == "up" ? PpmUpFactors : PpmDownFactors, step);
    Found(WriteXtalWord(XtalMHzToWord(shiftedMHz)));
    FxtalMHz = shiftedMHz;
    ApplyAgain(call, before);
    std::string shifted = ShiftedText;
    shifted.erase(shifted.find_last_not_of(' ') + 1);
    call.Reply(shifted + " " + CrystalFoundText(FxtalMHz),
               {{"crystal_mhz", FxtalMHz}, {"direction", direction}, {"ppm", PpmSteps[static_cast<size_t>(step)]}});
    return CtlOk;
}

int CmdStartup(TCtlCall& call)
{
    const std::string& text = call.Args.Arguments[0];
    const double mhz = FrequencyValue(call.Name(), "FREQ", text) / 1e6;
    call.Board.Choose();
    ReadBoardValues();
    // The chip starts at a frequency it can make: a number without its unit is Hz, and no start-up frequency.
    TDividerSetting setting;
    if (!(mhz <= FLT_MAX) || !FindDividers(mhz, FxtalMHz, SpeedGrade, setting))
        RefuseValue(call.Name(), "FREQ", text,
                    "a frequency the Si570 makes (speed grade " + SpeedGradeName(SpeedGrade) +
                        "), with its unit: 56.32M");
    Found(WriteStartupFrequency(static_cast<float>(mhz)));
    StartupFreqMHz = StartupWordToMHz(StartupMHzToWord(mhz));
    call.Reply("start-up\t" + FormatGeneral(StartupFreqMHz) + " MHz", {{"startup_mhz", StartupFreqMHz}});
    return CtlOk;
}

int CmdSpeedGrade(TCtlCall& call)
{
    const std::string grade = ChoiceValue(call.Name(), "GRADE", call.Args.Arguments[0], {"A", "B", "C"});
    call.Board.Choose();
    Found(SetSpeedGrade(grade[0] - 'A'));
    SpeedGrade = grade[0] - 'A';
    call.Reply("speed grade\t" + grade, {{"speed_grade", grade}});
    return CtlOk;
}

int CmdRemember(TCtlCall& call)
{
    const std::string state = ChoiceValue(call.Name(), "STATE", call.Args.Arguments[0], {"on", "off"});
    call.Board.Choose();
    Found(SetRememberLastFrequency(state == "on"));
    call.Reply("remember last frequency\t" + state, {{"remember", state}});
    return CtlOk;
}

// The dialog's erase, after a backup of what it erases: every EEPROM byte
// 0xFF (the crystal back to 114.285 MHz), the board reset, and a wait of up
// to 10 s for it to come back.
int CmdErase(TCtlCall& call)
{
    call.Board.Choose();
    TTextProgress progress(call.Env, "Backing up EEPROM", static_cast<int>(EepromImage.size()));
    const TEepromBackup backup = BackupBoardEeprom([&](int done) { progress.Step(done); });
    progress.Finish();
    Found(EraseEeprom());
    Found(ResetAvr());
    // Back under a new device number, found by the rule the choice follows.
    TBoardChoice lookFor = call.Board.Choice();
    lookFor.Port.reset();
    const bool back = WaitForBoardAfterReset([&](int ms) { call.Pause(ms); },
                                             [&] {
                                                 const std::optional<TDevice> found = FindChosen(lookFor);
                                                 if (found)
                                                     SelectBoard(*found);
                                                 return found.has_value();
                                             });
    call.Board.Forget();  // its handle went with the reset
    if (!back)
        throw TCtlFailure(CtlNoBoard, std::string(ErasedNotBackText) + " Backup: " + backup.File);
    call.Reply(std::string(ErasedText) + " Backup: " + backup.File, {{"result", ErasedText}, {"backup", backup.File}});
    return CtlOk;
}
