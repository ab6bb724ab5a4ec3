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
        {"--board-log", "FILE", "with --demo: write every request the virtual board receives to FILE", {}, true},
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
        {"beacon", "send the MEPT beacon code, or with --mode wspr be a WSPR beacon, until interrupted",
         {{"CODE", "the MEPT code (default: the settings file's, else the built-in one)", false}},
         {{"--mode", "MODE", "mept (default) or wspr, whose options left out are the WSPR beacon window's (settings file)",
           {"mept", "wspr"}},
          {"--symbol-time", "S", "mept: seconds per symbol, 0.001 to 86400; default 1"},
          {"--spacing", "HZ", "mept: Hz between neighbouring symbols; default 1"},
          {"--frequency", "FREQ", std::string("mept: frequency of symbol 8: ") + FrequencyAccepts + "; default 10M"},
          {"--off", "MHZ", "MHz between transmissions and after stopping (mept: for X too); default 200"},
          {"--call", "CALL", "wspr: the callsign: K1ABC, PJ4/K1ABC, K1ABC/P"},
          {"--locator", "LOC", "wspr: the locator: FN42, or FN42AX (sent in a second transmission)"},
          {"--power", "DBM", "wspr: dBm, 0 to 60 ending in 0, 3 or 7; default 37", WsprPowerNames()},
          {"--dial", "FREQ", "wspr: the dial frequency, or a band (20m); default 14.0956M", WsprBandNames()},
          {"--offset", "HZ", "wspr: the audio offset of the tones above the dial, 1400 to 1600; default 1500"},
          {"--share", "PCT", "wspr: transmit in PCT % of the slots, chosen at random, 1 to 100; default 20"},
          {"--every", "N", "wspr: transmit in every Nth slot, 1 to 1000, instead of a share"},
          {"--multiplier", "M", "wspr: f(SI570) = f x M, as set's multiplier; default 1"},
          {"--once", "", "wspr: stop once the message has been sent"},
          {"--print-symbols", "", "wspr: print the 162 channel symbols, a line per transmission, and touch no board"}},
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
