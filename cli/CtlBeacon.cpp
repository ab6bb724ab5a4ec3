// quorvexctl beacon: the MEPT beacon code stepped on the board until
// interrupted, or with --mode wspr the WSPR beacon (CtlWspr.cpp). Each mode
// takes its own options; one of the other mode's is refused, not ignored.
#include <algorithm>
#include <chrono>
#include <ostream>

#include "cli/CtlCommands.h"
#include "mept/BeaconCheck.h"
#include "mept/MeptCode.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"

namespace {

constexpr const char* MeptOptions[] = {"--symbol-time", "--spacing", "--frequency"};
constexpr const char* WsprOptions[] = {"--call",  "--locator",    "--power", "--dial",         "--offset",
                                       "--share", "--every",      "--once",  "--print-symbols", "--multiplier"};

void CheckModeOptions(const TCtlCall& call, bool wspr)
{
    const std::string& name = call.Name();
    if (wspr) {
        for (const char* option : MeptOptions)
            if (call.Args.Has(option))
                throw TCtlFailure(CtlUsage, name + ": " + option + " is the MEPT beacon's, not an option of --mode wspr");
        if (const auto code = call.Args.Argument(0))
            throw TCtlFailure(CtlUsage, name + ": --mode wspr takes no CODE ('" + *code +
                                            "'): the code is the MEPT beacon's; --call, --locator and --power "
                                            "make the WSPR message");
        return;
    }
    for (const char* option : WsprOptions)
        if (call.Args.Has(option))
            throw TCtlFailure(CtlUsage, name + ": " + option + " is an option of --mode wspr");
}

int RunMeptBeacon(TCtlCall& call)
{
    const std::string& name = call.Name();
    const std::string code =
        call.Args.Argument(0).value_or(StoredBeaconCode().value_or(DefaultMeptCode));
    const double symbolS = NumberValue(name, "--symbol-time", call.Args.Value("--symbol-time").value_or("1"),
                                       "seconds, 0.001 to 86400");
    if (!(symbolS >= 0.001 && symbolS <= 86400))
        RefuseValue(name, "--symbol-time", *call.Args.Value("--symbol-time"), "seconds, 0.001 to 86400");
    const double spacingHz =
        NumberValue(name, "--spacing", call.Args.Value("--spacing").value_or("1"), "Hz, a number");
    const double offHz = NumberValue(name, "--off", call.Args.Value("--off").value_or("200"), "MHz, a number") * 1e6;
    const double frequencyHz = FrequencyValue(name, "--frequency", call.Args.Value("--frequency").value_or("10M"));
    const int symbolMs = SymbolTimeMsOf(symbolS);
    TCtlEnvironment& env = call.Env;
    // The board's own crystal and speed grade decide what it can make.
    call.Board.ChooseWithValues();
    const std::string refusal =
        BeaconRefusal({code, frequencyHz, spacingHz, offHz}, FxtalMHz, SpeedGrade, [](double hz) { return hz; });
    if (!refusal.empty())
        throw TCtlFailure(CtlUsage, refusal);
    TMeptTransmission transmission;
    TMeptDrawing drawing;
    drawing.Clear();
    transmission.Start(code);
    bool failing = false;
    // One transfer a symbol on the session's handle, opened again once the
    // board is back after a replug. A board that fails is said once, until a
    // frequency gets through again.
    const auto send = [&](double hz) {
        try {
            call.Board.Session().SetFrequency(hz);
            failing = false;
        } catch (const QuorvexError& e) {
            if (!failing)
                env.Err << ErrorLine(e.what(), CtlTransfer, call.Json) << "\n";
            failing = true;
        }
    };
    call.Reply("Sending " + code + " every " + std::to_string(symbolMs) + " ms per symbol; stop with Ctrl+C",
               {{"sending", code}, {"symbol_ms", symbolMs}});
    env.Out << std::flush;
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
            send(SymbolFrequencyOf(*tick.Symbol, frequencyHz, spacingHz, offHz));
        if (transmission.Finished)
            transmission.Start(code);
        if (transmission.PendingCode.empty())
            transmission.Finished = true;
        // Due one interval after the last was due, so the schedule keeps time.
        due += std::chrono::milliseconds(intervalMs);
    }
    send(offHz);
    call.Reply("Stopped; the board is on the off frequency " + FormatGeneral(offHz) + " Hz", {{"stopped_hz", offHz}});
    return failing ? CtlTransfer : CtlOk;
}

}  // namespace

int CmdBeacon(TCtlCall& call)
{
    const bool wspr = ChoiceValue(call.Name(), "--mode", call.Args.Value("--mode").value_or("mept"),
                                  {"mept", "wspr"}) == "wspr";
    CheckModeOptions(call, wspr);
    return wspr ? RunWsprBeacon(call) : RunMeptBeacon(call);
}
