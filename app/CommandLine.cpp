#include "app/CommandLine.h"

#include <QCommandLineParser>

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription("Controller for the USB frequency-synthesizer board.");
    parser.addHelpOption();
    const QCommandLineOption filterBoard(
        "filter-board", "Offer a second EEPROM editor (Setup menu) for boards whose firmware keeps a "
                        "band-pass filter table in its EEPROM.");
    parser.addOption(filterBoard);
    parser.process(arguments);
    TCommandLine options;
    options.FilterBoard = parser.isSet(filterBoard);
    return options;
}
