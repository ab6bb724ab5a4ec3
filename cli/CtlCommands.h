#pragma once
// The commands of quorvexctl. Each returns its exit status; failures that
// end a command are raised (TCtlFailure with its status, or the device
// link's and the files' errors), and the caller says them on standard error
// or, in a batch session, as the command's answer.
#include <functional>
#include <string>
#include <vector>

#include "cli/Ctl.h"
#include "cli/CtlArgs.h"
#include "cli/CtlBoard.h"
#include "cli/CtlOutput.h"

// The Si570's frequency from the display frequency: f × multiplier + offset.
struct TFrequencyScale {
    double Multiplier = 1;
    double OffsetMHz = 0;
    bool operator==(const TFrequencyScale&) const = default;
};

// One command as it runs: what the line said and where it answers.
struct TCtlCall {
    TCtlEnvironment& Env;
    const TCtlArgs& Args;
    TCtlBoard& Board;
    bool Json = false;
    bool InBatch = false;
    TFrequencyScale Scale{};  // what --multiplier and --offset leave unsaid: a batch's own values

    const std::string& Name() const { return Args.Command->Name; }
    // The command's result: a text line, or with --json the object.
    void Reply(const std::string& text, const TJsonObject& json) const;
    // A line on standard error that does not end the command.
    void Warn(const std::string& text) const;
    // The scale of --multiplier and --offset, each else the call's own.
    TFrequencyScale ScaleOption() const;
    // --multiplier alone, else the call's own.
    double MultiplierOption() const;
    // Waits ms, in steps that answer a stop request; false when stopped.
    bool Pause(long long ms) const;
};

// "A", "B" or "C" for 0, 1, 2.
std::string SpeedGradeName(int grade);

// The exit status of a raised failure and its text, for the line that says it.
struct TCtlOutcome {
    int Status;
    std::string Text;
};
// Runs the command (or run), with the failures it raises turned into their
// outcome. A board that was not found is looked for afresh by the next command.
using TCtlRun = std::function<int(TCtlCall& call)>;
TCtlOutcome RunCaught(TCtlCall& call, const TCtlRun& run = {});

// Sets the Si570 to what the display frequency gives with the scale, and
// answers with both (set, sweep).
void SetAndReply(TCtlCall& call, double displayHz, const TFrequencyScale& scale);

int CmdList(TCtlCall& call);
int CmdGet(TCtlCall& call);
int CmdSet(TCtlCall& call);
int CmdKey(TCtlCall& call);
int CmdCalibration(TCtlCall& call);
int CmdCalibrate(TCtlCall& call);
int CmdShift(TCtlCall& call);
int CmdStartup(TCtlCall& call);
int CmdSpeedGrade(TCtlCall& call);
int CmdRemember(TCtlCall& call);
int CmdErase(TCtlCall& call);
int CmdEepromRead(TCtlCall& call);
int CmdEepromWrite(TCtlCall& call);
int CmdFlash(TCtlCall& call);
int CmdVerify(TCtlCall& call);
int CmdDump(TCtlCall& call);
// A session on one board: a command per line of standard input, an answer per line.
int CmdBatch(TCtlCall& call);
// set, step by step from START to STOP, on one board session.
int CmdSweep(TCtlCall& call);
int CmdSleep(TCtlCall& call);
// The MEPT beacon, or with --mode wspr the WSPR beacon (RunWsprBeacon).
int CmdBeacon(TCtlCall& call);
int RunWsprBeacon(TCtlCall& call);
// What --dial and --power of the WSPR beacon offer: the bands' names (20m)
// and the powers a message can carry.
std::vector<std::string> WsprBandNames();
std::vector<std::string> WsprPowerNames();
// Looks for the chosen board every interval until stopped, with one line on
// standard output when it is first looked for and whenever it goes or comes back.
int CmdWatch(TCtlCall& call);
// Network control for station programs until stopped (CtlServe.cpp).
int CmdServe(TCtlCall& call);
// The bash completion, made from the command table.
int CmdCompletion(TCtlCall& call);
std::string BashCompletionScript();
