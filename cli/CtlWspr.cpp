// quorvexctl beacon --mode wspr: the WSPR beacon the window runs, driven by
// the command's own loop on a handle kept open: its settings from the options,
// else from the window's fields kept in the settings file; a line for every
// transmission, and the off frequency on the board when it is stopped.
#include <cmath>
#include <ctime>
#include <ostream>
#include <random>

#include "cli/CtlCommands.h"
#include "mept/SymbolClock.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"
#include "wspr/ClockState.h"
#include "wspr/WsprBeacon.h"

namespace {

using Steady = std::chrono::steady_clock;

// A stop is answered within this while the beacon waits.
constexpr auto StopAnswer = std::chrono::milliseconds(100);

// "20 m" as an argument: "20m".
std::string BandName(const TWsprBand& band)
{
    std::string name = band.Band;
    name.erase(name.find(' '), 1);
    return name;
}

// The text of an option, else of the settings file's field, and the name a
// refusal gives it.
struct TSetting {
    std::string Text;
    std::string What;
};

TSetting Setting(const TCtlCall& call, const char* option, const std::string& stored, const char* key)
{
    if (const auto given = call.Args.Value(option))
        return {*given, option};
    return {stored, std::string("the settings file's ") + key};
}

TWsprMessage MessageOf(const TCtlCall& call, const TWsprFields& stored)
{
    const auto field = [&](const char* option, const std::string& value, const char* what) {
        const std::string text = call.Args.Value(option).value_or(value);
        if (text.find_first_not_of(" \t") == std::string::npos)
            throw TCtlFailure(CtlUsage, call.Name() + ": --mode wspr needs " + option + ", " + what +
                                            " (the settings file keeps none)");
        return text;
    };
    const std::string callsign = field("--call", stored.Call, "the callsign: K1ABC, PJ4/K1ABC, K1ABC/P");
    const std::string locator = field("--locator", stored.Locator, "the locator: FN42 or FN42AX");
    return MakeWsprMessage(callsign, locator, call.Args.Value("--power").value_or(stored.Power));
}

double DialHzOf(const TCtlCall& call, const TWsprFields& stored)
{
    const std::optional<std::string> given = call.Args.Value("--dial");
    if (!given)
        return WsprDialHz(stored.Dial);
    for (const TWsprBand& band : WsprBands)
        if (*given == BandName(band))
            return WsprDialHz(band.Mhz);
    double hz = 0;
    if (!ParseFrequency(*given, hz))
        RefuseValue(call.Name(), "--dial", *given, std::string(FrequencyAccepts) + ", or a band: 20m, 40m, ...");
    return hz;
}

TWsprSlotRule SlotsOf(const TCtlCall& call, const TWsprFields& stored)
{
    const std::string& name = call.Name();
    if (call.Args.Has("--share") && call.Args.Has("--every"))
        throw TCtlFailure(CtlUsage, name + ": --share and --every exclude each other: give one");
    const bool every = call.Args.Has("--every") || (!call.Args.Has("--share") && stored.EveryNth);
    if (every) {
        const TSetting n = Setting(call, "--every", stored.Every, "WSPR_Every");
        return WsprEveryRule(static_cast<int>(WholeValue(name, n.What, n.Text, 1, 1000, "every 1st to 1000th slot")));
    }
    const TSetting share = Setting(call, "--share", stored.Share, "WSPR_Share");
    return WsprShareRule(
        static_cast<int>(WholeValue(name, share.What, share.Text, 1, 100, "a whole number of percent, 1 to 100")));
}

// "2nd", "11th", "23rd"
std::string Ordinal(int n)
{
    const int last = n % 10;
    const bool teen = n % 100 / 10 == 1;
    return std::to_string(n) + (teen || last == 0 || last > 3 ? "th" : last == 1 ? "st" : last == 2 ? "nd" : "rd");
}

std::string SlotsText(const TWsprSlotRule& rule)
{
    if (rule.Kind == TWsprSlotRule::Share)
        return std::to_string(rule.Value) + " % of the slots, chosen at random";
    return rule.Value == 1 ? "every slot" : "every " + Ordinal(rule.Value) + " slot";
}

// "2026-12-01T12:00:01.000Z"
std::string UtcText(WsprUtc::time_point t)
{
    const auto ms = std::chrono::floor<std::chrono::milliseconds>(t.time_since_epoch()).count();
    const std::time_t seconds = static_cast<std::time_t>(ms / 1000);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(ms % 1000));
    return text;
}

// The beacon's polls and what the command says of them: a line on standard
// output for every transmission, its failures and the clock's state on
// standard error.
class TWsprRun {
public:
    TWsprRun(const TCtlCall& call, TWsprBeacon& beacon, double frequencyHz)
        : call_(call), beacon_(beacon), frequencyHz_(frequencyHz)
    {
        const TClockState clock = ReadClockState();
        synchronized_ = clock.Synchronized;
        if (!synchronized_)
            call_.Warn(ClockStateText(clock));
    }

    void Poll()
    {
        const bool wasTransmitting = beacon_.Transmitting();
        const bool wasGivenUp = beacon_.GivenUp();
        const bool wasAway = beacon_.BoardAway();
        const int givenUp = beacon_.TransmissionsGivenUp();
        beacon_.Poll();
        if (!wasTransmitting && beacon_.Transmitting())
            Began();
        if (beacon_.GivenUp() && !wasGivenUp)
            givenUpAt_ = beacon_.SymbolClock().LastSent();
        Warn(beacon_.TakeReports());
        if (wasTransmitting && !beacon_.Transmitting())
            Line(beacon_.TransmissionsGivenUp() > givenUp ? "given up" : "sent");
        if (wasAway && !beacon_.BoardAway())
            call_.Warn(WsprBoardBackText);
    }

    // Stops the beacon; true when the board is left on the off frequency.
    bool Stop()
    {
        const bool transmitting = beacon_.Transmitting() && !beacon_.GivenUp();
        beacon_.Stop();
        if (transmitting)
            Line("stopped");
        const std::vector<std::string> reports = beacon_.TakeReports();
        Warn(reports);
        return reports.empty() && !beacon_.BoardAway();
    }

private:
    void Began()
    {
        // The slot the beacon just took; it looks ahead to the next one.
        start_ = WsprTransmissionStart(beacon_.NextSlot() - 1);
        text_ = beacon_.Current().Text;
        givenUpAt_ = -1;
        // A clock that lost (or found) its synchronization since it was last said.
        const TClockState clock = ReadClockState();
        if (clock.Synchronized != synchronized_)
            call_.Warn(ClockStateText(clock));
        synchronized_ = clock.Synchronized;
    }

    void Warn(const std::vector<std::string>& reports) const
    {
        for (const std::string& report : reports)
            call_.Warn(report);
    }

    // "start<TAB>end<TAB>14097100 Hz<TAB>K1ABC FN42 37<TAB>sent", with what
    // was given up or left out.
    void Line(const std::string& result)
    {
        const TWsprSymbolClock& clock = beacon_.SymbolClock();
        const int leftOut = clock.Skipped();
        int sent = clock.LastSent() + 1 - leftOut;
        std::string text = result;
        if (result == "given up") {
            sent = givenUpAt_;
            text += " at symbol " + std::to_string(givenUpAt_ + 1) + " of 162: the board went away";
        } else if (result == "stopped") {
            text += " after symbol " + std::to_string(clock.LastSent() + 1) + " of 162";
        }
        if (leftOut > 0 && result != "given up")
            text += ", " + std::to_string(leftOut) + " of 162 symbols left out: the program was held up";
        const std::string start = UtcText(start_);
        const std::string end = UtcText(beacon_.UtcNow());
        call_.Reply(start + "\t" + end + "\t" + FormatGeneral(frequencyHz_) + " Hz\t" + text_ + "\t" + text,
                    {{"start", start},
                     {"end", end},
                     {"frequency_hz", frequencyHz_},
                     {"message", text_},
                     {"result", result},
                     {"symbols_sent", sent},
                     {"left_out", leftOut}});
        call_.Env.Out << std::flush;
    }

    const TCtlCall& call_;
    TWsprBeacon& beacon_;
    double frequencyHz_;  // on the air: the centre of the four tones
    bool synchronized_ = false;
    WsprUtc::time_point start_{};
    std::string text_;
    int givenUpAt_ = -1;
};

int PrintSymbols(const TCtlCall& call, const std::vector<TWsprTransmission>& transmissions)
{
    for (const TWsprTransmission& t : transmissions) {
        std::string digits;
        for (const uint8_t symbol : t.Symbols)
            digits += static_cast<char>('0' + symbol);
        call.Reply(digits, {{"message", t.Text}, {"symbols", digits}});
    }
    return CtlOk;
}

// Polls the beacon whenever it asks to be woken, until a stop is asked for
// or, with --once, the message has been sent.
void RunUntilStopped(TCtlCall& call, TWsprBeacon& beacon, TWsprRun& run)
{
    const TCtlEnvironment& env = call.Env;
    const auto now = [&] { return env.SteadyNow ? env.SteadyNow() : Steady::now(); };
    const auto waitUntil = [&](Steady::time_point t) { env.WaitUntil ? env.WaitUntil(t) : WaitUntil(t); };
    const bool once = call.Args.Has("--once");
    const int transmissions = static_cast<int>(beacon.Settings().Transmissions.size());
    run.Poll();  // the off frequency until the first slot
    while (!(env.StopRequested && env.StopRequested())) {
        if (once && beacon.TransmissionsSent() >= transmissions)
            break;
        // Asked again after each short wait: a clock set meanwhile moves the slot.
        const Steady::time_point wake = beacon.NextWake();
        const Steady::time_point before = now();
        if (wake - before > StopAnswer) {
            waitUntil(before + StopAnswer);
            continue;
        }
        waitUntil(wake);
        run.Poll();
    }
}

}  // namespace

std::vector<std::string> WsprBandNames()
{
    std::vector<std::string> names;
    for (const TWsprBand& band : WsprBands)
        names.push_back(BandName(band));
    return names;
}

std::vector<std::string> WsprPowerNames()
{
    std::vector<std::string> names;
    for (int dbm = 0; dbm <= 60; ++dbm)
        if (IsWsprPower(dbm))
            names.push_back(std::to_string(dbm));
    return names;
}

int RunWsprBeacon(TCtlCall& call)
{
    const std::string& name = call.Name();
    const TWsprFields stored = StoredWsprFields();
    try {
        const TWsprMessage message = MessageOf(call, stored);
        const std::vector<TWsprTransmission> transmissions = WsprTransmissions(message);
        if (call.Args.Has("--print-symbols"))
            return PrintSymbols(call, transmissions);
        const double dialHz = DialHzOf(call, stored);
        const TSetting audio = Setting(call, "--offset", stored.Audio, "WSPR_Audio");
        const double audioHz = NumberValue(name, audio.What, audio.Text, "Hz, 1400 to 1600");
        const std::array<double, 4> tones = WsprToneFrequencies(dialHz, audioHz);
        const TWsprSlotRule slots = SlotsOf(call, stored);
        const TSetting off = Setting(call, "--off", stored.Off, "WSPR_Off");
        const double offMHz = NumberValue(name, off.What, off.Text, "MHz, a number");
        // The multiplier as set applies it (the window applies the main window's);
        // --offset here is the tones' audio offset, so the Si570 takes no offset.
        const double multiplier = call.MultiplierOption();
        const auto si570 = [&](double hz) { return Si570FrequencyOf(hz, multiplier, 0); };
        std::array<double, 4> outputs;
        for (size_t k = 0; k < tones.size(); ++k)
            outputs[k] = si570(tones[k]);

        // The board's own crystal and speed grade decide the tones' registers.
        call.Board.ChooseWithValues();
        TWsprBeacon beacon({transmissions, PlanWsprTones(outputs, FxtalMHz, SpeedGrade), si570(offMHz * 1e6), slots,
                            std::random_device()()});
        if (call.Env.SteadyNow)
            beacon.Now = call.Env.SteadyNow;
        if (call.Env.UtcNow)
            beacon.UtcNow = call.Env.UtcNow;
        if (!beacon.Link.Open())
            throw DeviceNotFoundError();

        // On the air, as receivers report it: the centre of the four tones.
        const double centreHz = dialHz + audioHz;
        const double offHz = beacon.Settings().OffHz;
        std::string texts;
        for (const TWsprTransmission& t : transmissions)
            texts += (texts.empty() ? "\"" : " and \"") + t.Text + "\"";
        call.Reply("WSPR beacon " + texts + " on " + FormatGeneral(centreHz) + " Hz (dial " + FormatGeneral(dialHz) +
                       " Hz + " + FormatGeneral(audioHz) + " Hz) in " + SlotsText(slots) + "; off frequency " +
                       FormatGeneral(offHz) + " Hz; stop with Ctrl+C",
                   {{"beacon", "wspr"},
                    {"message", message.Call + " " + message.Locator + " " + std::to_string(message.PowerDbm)},
                    {"transmissions", static_cast<int>(transmissions.size())},
                    {"frequency_hz", centreHz},
                    {"dial_hz", dialHz},
                    {"slots", SlotsText(slots)},
                    {"off_hz", offHz}});
        call.Env.Out << std::flush;
        TWsprRun run(call, beacon, centreHz);
        RunUntilStopped(call, beacon, run);
        if (!run.Stop())
            throw TCtlFailure(CtlTransfer, "Stopped, but the board did not get the off frequency " +
                                               FormatGeneral(offHz) + " Hz");
        call.Reply("Stopped; the board is on the off frequency " + FormatGeneral(offHz) + " Hz",
                   {{"stopped_hz", offHz}});
        return CtlOk;
    } catch (const WsprError& e) {
        throw TCtlFailure(CtlUsage, name + ": " + e.what());
    }
}
