#pragma once
// The program's command line: --help and the switches below.
#include <QStringList>

struct TCommandLine {
    // Offer the EEPROM editor for boards with the filter-board firmware.
    bool FilterBoard = false;
    // quorvex-demo only: the virtual board answers at once.
    bool Instant = false;
};

// arguments as QCoreApplication::arguments() gives them; demo adds the demo's
// own switches. Prints the help and ends the program for --help; an unknown
// option ends it with its error.
TCommandLine ParseCommandLine(const QStringList& arguments, bool demo = false);
