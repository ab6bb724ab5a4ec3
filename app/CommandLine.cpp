#include "app/CommandLine.h"

#include <QCommandLineParser>

TCommandLine ParseCommandLine(const QStringList& arguments, bool demo)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(demo ? "Quorvex with a virtual board beneath the USB library."
                                          : "Controller for the USB frequency-synthesizer board.");
    parser.addHelpOption();
    const QCommandLineOption filterBoard(
        "filter-board", "Offer a second EEPROM editor (Setup menu) for boards whose firmware keeps a "
                        "band-pass filter table in its EEPROM.");
    parser.addOption(filterBoard);
    const QCommandLineOption instant(
        "instant", "The virtual board answers at once instead of taking the time a real low-speed board "
                   "takes for each transfer.");
    if (demo)
        parser.addOption(instant);
    parser.process(arguments);
    TCommandLine options;
    options.FilterBoard = parser.isSet(filterBoard);
    options.Instant = demo && parser.isSet(instant);
    return options;
}
