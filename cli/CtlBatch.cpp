// quorvexctl batch: a session on one board that keeps its handle open, a
// command per line of standard input and an answer per line of standard
// output, for scripts and for programs that drive the board over a pipe;
// sweep is a batch of set lines that makes itself.
#include <cmath>
#include <ostream>
#include <sstream>

#include "cli/CtlCommands.h"
#include "support/NumberText.h"

namespace {

constexpr long long DayMs = 86400000;

// The options a batch line may not give: the board and the demo belong to the
// whole session.
constexpr const char* SessionOptions[] = {"--demo", "--board-log", "--product", "--port", "--serial",
                                          "--manufacturer"};

void CheckBatchLine(const TCtlArgs& args)
{
    if (!args.Command || args.Has("--help") || args.Has("--version"))
        throw TCtlFailure(CtlUsage, "--help and --version are not batch commands");
    if (!args.Command->InBatch) {
        std::string names;
        for (const TCtlCommand& command : CtlCommands())
            if (command.InBatch)
                names += (names.empty() ? "" : ", ") + command.Name;
        throw TCtlFailure(CtlUsage, args.Command->Name + " is not a batch command; these are: " + names);
    }
    for (const char* option : SessionOptions)
        if (args.Has(option))
            throw TCtlFailure(CtlUsage, std::string(option) + " is the whole session's: give it to quorvexctl batch");
}

// The answer as one line: the command's output, its lines joined by "; ";
// a failure as "error N: text", or with --json {"error": text, "status": N}.
std::string AnswerLine(std::string output, const TCtlOutcome& outcome, bool json)
{
    if (outcome.Status != CtlOk)
        return json ? ErrorLine(outcome.Text, outcome.Status, true)
                    : "error " + std::to_string(outcome.Status) + ": " + outcome.Text;
    while (!output.empty() && output.back() == '\n')
        output.pop_back();
    for (size_t at; (at = output.find('\n')) != std::string::npos;)
        output.replace(at, 1, "; ");
    return output;
}

// Runs one command of a session (run, else the line's own) and writes its
// answer line at once, for the program that waits for it; its status.
int Answer(TCtlCall& session, const TCtlArgs& args, bool json, const TCtlRun& run = {})
{
    std::ostringstream output;
    const TCtlEnvironment& env = session.Env;
    TCtlEnvironment lineEnv{output, env.Err};
    lineEnv.ErrIsTerminal = env.ErrIsTerminal;
    lineEnv.StopRequested = env.StopRequested;
    lineEnv.Sleep = env.Sleep;
    lineEnv.ReadLine = env.ReadLine;
    TCtlCall call{lineEnv, args, session.Board, json, true, session.Scale};
    const TCtlOutcome outcome = RunCaught(call, run);
    session.Env.Out << AnswerLine(output.str(), outcome, json) << "\n" << std::flush;
    return outcome.Status;
}

bool Stopped(const TCtlEnvironment& env)
{
    return env.StopRequested && env.StopRequested();
}

}  // namespace

int CmdBatch(TCtlCall& call)
{
    call.Scale = call.ScaleOption();
    int status = CtlOk;
    std::string line;
    while (!Stopped(call.Env) && call.Env.ReadLine && call.Env.ReadLine(line)) {
        TCtlArgs args;
        bool json = call.Json;
        try {
            const std::vector<std::string> words = SplitCtlLine(line);
            if (words.empty() || words.front().starts_with("#"))
                continue;  // blank lines and comments are not answered
            args = ParseCtlArgs(words);
            CheckBatchLine(args);
            json = json || args.Has("--json");
        } catch (const TCtlFailure& e) {
            call.Env.Out << AnswerLine({}, {e.Status, e.what()}, json) << "\n" << std::flush;
            status = e.Status;
            continue;
        }
        const int answered = Answer(call, args, json);
        if (answered != CtlOk)
            status = answered;
    }
    return status;
}

int CmdSweep(TCtlCall& call)
{
    const std::string& name = call.Name();
    const double start = FrequencyValue(name, "START", call.Args.Arguments[0]);
    const double stop = FrequencyValue(name, "STOP", call.Args.Arguments[1]);
    const double step = FrequencyValue(name, "STEP", call.Args.Arguments[2]);
    if (!(step > 0))
        RefuseValue(name, "STEP", call.Args.Arguments[2], "a frequency above 0");
    const long long dwellMs = WholeValue(name, "--dwell", call.Args.Value("--dwell").value_or("0"), 0, DayMs,
                                         "ms, a whole number from 0 to 86400000");
    call.Scale = call.ScaleOption();
    const long double span = std::fabs(static_cast<long double>(stop) - start);
    // The last step ends at STOP also when rounding leaves it a hair short.
    const long double steps = std::floor(span / step + 1e-9L);
    constexpr long double MaxSteps = 1e12L;
    if (steps >= MaxSteps)
        RefuseValue(name, "STEP", call.Args.Arguments[2], "a step that reaches STOP in fewer than 10^12 steps");
    const long double direction = stop >= start ? 1 : -1;
    int status = CtlOk;
    for (long long i = 0; i <= static_cast<long long>(steps) && !Stopped(call.Env); ++i) {
        // From START each time, so the steps do not drift.
        const double hz = static_cast<double>(start + direction * static_cast<long double>(i) * step);
        const int answered = Answer(call, call.Args, call.Json, [&](TCtlCall& c) {
            SetAndReply(c, hz, c.Scale);
            return CtlOk;
        });
        if (answered != CtlOk)
            status = answered;
        if (dwellMs > 0 && !call.Pause(dwellMs))
            break;
    }
    return status;
}

int CmdSleep(TCtlCall& call)
{
    const long long ms = WholeValue(call.Name(), "MS", call.Args.Arguments[0], 0, DayMs,
                                    "ms, a whole number from 0 to 86400000");
    call.Pause(ms);
    call.Reply("slept " + std::to_string(ms) + " ms", {{"slept_ms", static_cast<double>(ms)}});
    return CtlOk;
}
