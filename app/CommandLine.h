#pragma once
// The program's command line: --help, --version and the switches below.
#include <QString>
#include <QStringList>

struct TCommandLine {
    // Offer the EEPROM editor for boards with the filter-board firmware.
    bool FilterBoard = false;
    // quorvex-demo only: the virtual board answers at once.
    bool Instant = false;
    // quorvex-demo only: the file that records every request the virtual boards receive.
    QString BoardLog;
};

// Prints the help or the version and ends the program when argv asks for one,
// before the application exists: both work without a display. demo adds the
// demo's own switches.
void AnswerHelpAndVersion(int argc, char** argv, bool demo = false);

// arguments as QCoreApplication::arguments() gives them (the toolkit's own
// options removed). An unknown option ends the program with its error.
TCommandLine ParseCommandLine(const QStringList& arguments, bool demo = false);
