#pragma once
// The program's command line: --help, --version and the switches below.
class QCoreApplication;

struct TCommandLine {
    // Offer the EEPROM editor for boards with the filter-board firmware.
    bool FilterBoard = false;
};

// Prints help or version and ends the program when asked for them.
TCommandLine ParseCommandLine(const QCoreApplication& app);
