#pragma once
// The subcommands of quorvexctl. Each returns its exit status; failures that
// end a subcommand are raised (the caller maps them to a status and a line
// on standard error).
#include <optional>
#include <string>

#include "cli/Ctl.h"
#include "usb/DeviceList.h"

// Which board: what the options say, else what the settings file in the
// working directory says, else the program's defaults.
struct TBoardChoice {
    std::optional<std::string> Product;
    std::optional<std::string> Serial;
    std::optional<std::string> Manufacturer;
    std::optional<int> Port;
};

// "14074000", "14.074M", "7030k": Hz. False for anything else.
bool ParseFrequency(const std::string& text, double& hz);

// The identity from the options, else the settings file, else the defaults.
void ResolveChoice(const TBoardChoice& choice);
// The chosen board among the boards present now, by the program's rule.
std::optional<TDevice> FindChosen(const TBoardChoice& choice);
// Points the board identity at the chosen board; DeviceNotFoundError when
// there is none, UsbError (DeniedBoardText) when the board there may not be used.
void ChooseBoard(const TBoardChoice& choice);
// "Cannot use the board: " and the library's words with the cause and the fix.
std::string DeniedBoardText();

int CmdList(bool report, bool json, TCtlEnvironment& env);
int CmdSet(const std::string& frequency, bool json, TCtlEnvironment& env);
int CmdCalibration(bool json, TCtlEnvironment& env);
int CmdEepromRead(const std::string& file, TCtlEnvironment& env);
int CmdEepromWrite(const std::string& file, bool partial, TCtlEnvironment& env);
int CmdFlash(const std::string& file, TCtlEnvironment& env);
int CmdVerify(const std::string& file, TCtlEnvironment& env);
int CmdDump(const std::string& file, TCtlEnvironment& env);

struct TBeaconOptions {
    std::string Code;
    double SymbolTimeS = 1;
    double SpacingHz = 1;
    double OffMHz = 200;
    double FrequencyHz = 10000000;
};
int CmdBeacon(const TBeaconOptions& options, TCtlEnvironment& env);

// Looks for the chosen board every interval until stopped, with one line on
// standard output when it is first looked for and whenever it goes or comes back.
int CmdWatch(const TBoardChoice& choice, double intervalS, TCtlEnvironment& env);
