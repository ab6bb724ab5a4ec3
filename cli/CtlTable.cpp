// The commands and options of quorvexctl: what --help, the shell completion
// and the parser know of them. A new command or option is a new row here.
#include "cli/CtlArgs.h"
#include "cli/CtlCommands.h"

namespace {

const std::string FileHelp = "Intel HEX file; - is standard input";
const std::string OutFileHelp = "Intel HEX file; - is standard output, which then carries nothing else";

const TCtlOption Multiplier{"--multiplier", "M",
                            "f(SI570) = f x M + offset, as the main window's multiplier; default 1"};
const TCtlOption Offset{"--offset", "MHZ", "the offset in MHz; default 0"};

TCtlArgument FileArgument(const std::string& help)
{
    return {"FILE", help, true, {}, true};
}

}  // namespace

const std::vector<TCtlOption>& CtlGlobalOptions()
{
    static const std::vector<TCtlOption> options{
        {"--json", "", "results as one JSON object a line; errors too, on standard error"},
        {"--demo", "", "a virtual board beneath the USB library instead of the real buses"},
        {"--product", "P", "product string of the board (default: settings file, VELNOR-I2C)"},
        {"--port", "N", "USB Port ID of the board, 0 to 255: its device number, which changes at every replug"},
        {"--serial", "S", "serial number of the board: names it across replugs"},
        {"--manufacturer", "M", "manufacturer string of the board"},
        {"--help", "", "this text; after a command, what the command takes"},
        {"--version", "", "the program's version"},
    };
    return options;
}

const std::vector<TCtlCommand>& CtlCommands()
{
    static const std::vector<TCtlCommand> commands{
        {"list", "the boards found", {}, {{"--report", "", "add the descriptor report of every device"}}, true,
         CmdList},
        {"get", "the frequency the Si570 makes now, read back from its registers", {}, {Multiplier, Offset}, true,
         CmdGet},
        {"set", "set the Si570 output frequency",
         {{"FREQ", std::string("the frequency f: ") + FrequencyAccepts}}, {Multiplier, Offset}, true, CmdSet},
        {"key", "the CW key input: up or down", {}, {}, true, CmdKey},
        {"calibration", "the crystal and start-up frequencies and the speed grade stored on the board", {}, {}, true,
         CmdCalibration},
        {"calibrate", "calibrate the crystal to the factory start-up frequency stored on the board", {}, {}, true,
         CmdCalibrate},
        {"shift", "shift the crystal calibration: down lowers the output, up raises it",
         {{"DIRECTION", "up or down", true, {"up", "down"}}},
         {{"--ppm", "STEP", "the step: 0.1, 1, 10, 100 or 1000 ppm; default 1", {"0.1", "1", "10", "100", "1000"}}},
         true, CmdShift},
        {"startup", "store the Si570's factory start-up frequency on the board",
         {{"FREQ", std::string("the frequency: ") + FrequencyAccepts}}, {}, true, CmdStartup},
        {"speed-grade", "store the Si570's speed grade on the board",
         {{"GRADE", "A, B or C", true, {"A", "B", "C"}}}, {}, true, CmdSpeedGrade},
        {"remember", "whether the Si570 comes back at its last frequency after power-up",
         {{"STATE", "on or off", true, {"on", "off"}}}, {}, true, CmdRemember},
        {"erase", "back up the EEPROM, erase it and reset the board", {}, {}, true, CmdErase},
        {"eeprom read", "save the board's 512-byte EEPROM to FILE", {FileArgument(OutFileHelp)}, {}, true,
         CmdEepromRead},
        {"eeprom write", "write FILE to the EEPROM, after a backup; then verify", {FileArgument(FileHelp)},
         {{"--partial", "", "write a FILE that covers part of the EEPROM: the board keeps its own bytes elsewhere"}},
         true, CmdEepromWrite},
        {"flash", "program firmware from FILE above the flashable start", {FileArgument(FileHelp)}, {}, true,
         CmdFlash},
        {"verify", "compare the flash with what FILE defines above the flashable start", {FileArgument(FileHelp)},
         {}, true, CmdVerify},
        {"dump", "save the 8 KiB of flash to FILE", {FileArgument(OutFileHelp)}, {}, true, CmdDump},
        {"batch", "commands from standard input, one a line, on one board kept open; an answer a line", {},
         {{"--multiplier", "M", "the multiplier of the set and get lines that give none; default 1"},
          {"--offset", "MHZ", "the offset of the set and get lines that give none; default 0"}},
         false, CmdBatch},
        {"sweep", "set START, then every STEP up to STOP, on one board kept open",
         {{"START", "the first frequency f"}, {"STOP", "the last one, above or below START"},
          {"STEP", "the distance between two, above 0"}},
         {{"--dwell", "MS", "milliseconds at each frequency; default 0"}, Multiplier, Offset}, false, CmdSweep},
        {"sleep", "wait MS milliseconds (a pause in a batch)", {{"MS", "milliseconds, 0 to 86400000"}}, {}, true,
         CmdSleep},
        {"beacon", "send the MEPT beacon code until interrupted",
         {{"CODE", "the code (default: the settings file's, else the built-in one)", false}},
         {{"--symbol-time", "S", "seconds per symbol, 0.001 to 86400; default 1"},
          {"--spacing", "HZ", "Hz between neighbouring symbols; default 1"},
          {"--off", "MHZ", "MHz for X, other characters and after stopping; default 200"},
          {"--frequency", "FREQ", std::string("frequency of symbol 8: ") + FrequencyAccepts + "; default 10M"}},
         false, CmdBeacon},
        {"serve", "station programs tune the board over TCP (the rigctld protocol) until interrupted", {},
         {{"--listen", "ADDR:PORT",
           "where: default 127.0.0.1:4532, this computer alone; port 0: any free one, printed at the start"},
          {"--trace", "FILE", "every command and answer, a line each, as they pass", {}, true},
          Multiplier,
          Offset},
         false, CmdServe},
        {"watch", "a line whenever the board goes or comes back, until interrupted", {},
         {{"--interval", "S", "seconds between two looks, 0.01 to 3600; default 1"}}, false, CmdWatch},
        {"completion", "the shell completion script", {{"SHELL", "bash", true, {"bash"}}}, {}, false,
         CmdCompletion},
    };
    return commands;
}
