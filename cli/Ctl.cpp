#include "cli/Ctl.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "cli/CtlCommands.h"
#include "support/Errors.h"
#include "usb/UUSB.h"

namespace {

constexpr const char* Version = "quorvexctl 0.1";

// Every subcommand takes the board choice; CLI11 keeps them with the subcommand.
void AddBoardOptions(CLI::App& command, TBoardChoice& choice)
{
    command.add_option("--product", choice.Product, "product string of the board (default: settings file, VELNOR-I2C)");
    command.add_option("--port", choice.Port,
                       "USB Port ID of the board: its device number, which changes at every replug")
        ->check(CLI::Range(0, 255));
    command.add_option("--serial", choice.Serial, "serial number of the board: names it across replugs");
    command.add_option("--manufacturer", choice.Manufacturer, "manufacturer string of the board");
}

// Runs a subcommand on the chosen board (any board: none chosen), with the
// failures mapped to the statuses.
template <typename Command>
int OnBoard(TCtlEnvironment& env, const TBoardChoice* choice, Command&& command)
{
    try {
        if (choice)
            ChooseBoard(*choice);
        return command();
    } catch (const DeviceNotFoundError& e) {
        env.Err << "quorvexctl: " << e.what() << "\n";
        return CtlNoBoard;
    } catch (const UsbError& e) {
        env.Err << "quorvexctl: " << e.what() << "\n";
        return CtlTransfer;
    } catch (const FileError& e) {
        env.Err << "quorvexctl: " << e.what() << "\n";
        return CtlFile;
    } catch (const QuorvexError& e) {  // conversion and range errors: of a file's content
        env.Err << "quorvexctl: " << e.what() << "\n";
        return CtlFile;
    }
}

// The command line parsed and run; its status before standard output is checked.
int RunCommand(int argc, const char* const* argv, TCtlEnvironment& env)
{
    CLI::App app{"Drives the USB Si570 synthesizer board from the command line.", "quorvexctl"};
    app.require_subcommand(1);
    app.set_version_flag("--version", Version);
    bool demo = false;
    app.add_flag("--demo", demo, "a virtual board beneath the USB library instead of the real buses");
    TBoardChoice choice;
    bool json = false;
    bool report = false;
    std::string frequency;
    std::string file;
    bool partial = false;
    TBeaconOptions beacon;

    CLI::App* list = app.add_subcommand("list", "the boards found");
    list->add_flag("--report", report, "add the descriptor report of every device");
    list->add_flag("--json", json, "one JSON array on standard output");
    CLI::App* set = app.add_subcommand("set", "set the Si570 output frequency");
    set->add_option("FREQ", frequency, "Hz, or with k or M: 14.074M")->required();
    set->add_flag("--json", json, "the result as JSON");
    CLI::App* calibration = app.add_subcommand("calibration", "the crystal and start-up frequencies stored on the board");
    calibration->add_flag("--json", json, "the result as JSON");
    CLI::App* eeprom = app.add_subcommand("eeprom", "the board's 512-byte EEPROM and Intel HEX files");
    eeprom->require_subcommand(1);
    CLI::App* eepromRead = eeprom->add_subcommand("read", "save the EEPROM to FILE");
    CLI::App* eepromWrite = eeprom->add_subcommand("write", "write FILE to the EEPROM, after a backup; then verify");
    eepromWrite->add_flag("--partial", partial,
                          "write a FILE that covers part of the EEPROM: the board keeps its own bytes elsewhere");
    CLI::App* flash = app.add_subcommand("flash", "program firmware from FILE above the flashable start");
    CLI::App* verify = app.add_subcommand("verify", "compare the flash with what FILE defines above the flashable start");
    CLI::App* dump = app.add_subcommand("dump", "save the 8 KiB of flash to FILE");
    for (CLI::App* command : {eepromRead, eepromWrite, flash, verify, dump})
        command->add_option("FILE", file, "Intel HEX file")->required();
    CLI::App* beaconCommand = app.add_subcommand("beacon", "send the MEPT beacon code until interrupted");
    beaconCommand->add_option("CODE", beacon.Code, "the code (default: the settings file's, else the built-in one)");
    beaconCommand->add_option("--symbol-time", beacon.SymbolTimeS, "seconds per symbol, 0.001 to 86400")
        ->check(CLI::Range(0.001, 86400.0))
        ->capture_default_str();
    beaconCommand->add_option("--spacing", beacon.SpacingHz, "Hz between neighbouring symbols")->capture_default_str();
    beaconCommand->add_option("--off", beacon.OffMHz, "MHz for X, other characters and after stopping")
        ->capture_default_str();
    beaconCommand->add_option("--frequency", frequency, "frequency of symbol 8: Hz, or with k or M")
        ->default_str("10M");
    CLI::App* watch = app.add_subcommand("watch", "a line whenever the board goes or comes back, until interrupted");
    double intervalS = 1;
    watch->add_option("--interval", intervalS, "seconds between two looks, 0.01 to 3600")
        ->check(CLI::Range(0.01, 3600.0))
        ->capture_default_str();
    for (CLI::App* command : {set, calibration, eepromRead, eepromWrite, flash, verify, dump, beaconCommand, watch})
        AddBoardOptions(*command, choice);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, env.Out, env.Err);
        return status == 0 ? CtlOk : CtlUsage;
    }
    if (demo && env.AttachDemoBoard)
        env.AttachDemoBoard();

    if (*list)
        return OnBoard(env, nullptr, [&] { return CmdList(report, json, env); });
    if (*watch)
        return OnBoard(env, nullptr, [&] { return CmdWatch(choice, intervalS, env); });
    if (*set)
        return OnBoard(env, &choice, [&] { return CmdSet(frequency, json, env); });
    if (*calibration)
        return OnBoard(env, &choice, [&] { return CmdCalibration(json, env); });
    if (*eepromRead)
        return OnBoard(env, &choice, [&] { return CmdEepromRead(file, env); });
    if (*eepromWrite)
        return OnBoard(env, &choice, [&] { return CmdEepromWrite(file, partial, env); });
    if (*flash)
        return OnBoard(env, &choice, [&] { return CmdFlash(file, env); });
    if (*verify)
        return OnBoard(env, &choice, [&] { return CmdVerify(file, env); });
    if (*dump)
        return OnBoard(env, &choice, [&] { return CmdDump(file, env); });
    if (!frequency.empty() && !ParseFrequency(frequency, beacon.FrequencyHz)) {
        env.Err << "quorvexctl: '" << frequency << "' is not a frequency (Hz, or with k or M)\n";
        return CtlUsage;
    }
    return OnBoard(env, &choice, [&] { return CmdBeacon(beacon, env); });
}

}  // namespace

int RunQuorvexCtl(int argc, const char* const* argv, TCtlEnvironment& env)
{
    const int status = RunCommand(argc, argv, env);
    // A script that reads the output must not take a lost one for success.
    errno = 0;
    env.Out.flush();
    if (!env.Out.fail())
        return status;
    const int error = errno;
    env.Err << "quorvexctl: cannot write to standard output" << (error ? std::string(": ") + std::strerror(error) : "")
            << "\n";
    return status == CtlOk ? CtlFile : status;
}
