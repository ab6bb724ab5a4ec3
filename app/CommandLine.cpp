#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>

namespace {

struct TOptions {
    explicit TOptions(bool demo)
    {
        parser.setApplicationDescription(demo ? "Quorvex with a virtual board beneath the USB library."
                                              : "Controller for the USB frequency-synthesizer board.");
        parser.addOption(help);
        parser.addOption(version);
        parser.addOption(filterBoard);
        if (demo) {
            parser.addOption(instant);
            parser.addOption(boardLog);
        }
    }

    QCommandLineParser parser;
    const QCommandLineOption help{{"h", "help"}, "Displays help on commandline options."};
    const QCommandLineOption version{{"v", "version"}, "Displays version information."};
    const QCommandLineOption filterBoard{
        "filter-board", "Offer a second EEPROM editor (Setup menu) for boards whose firmware keeps a "
                        "band-pass filter table in its EEPROM."};
    const QCommandLineOption instant{
        "instant", "The virtual board answers at once instead of taking the time a real low-speed board "
                   "takes for each transfer."};
    const QCommandLineOption boardLog{
        "board-log", "Write each request the virtual boards receive to <file>, a line each: its time in "
                     "microseconds since the start, the board, its fields and its bytes.", "file"};
};

}  // namespace

void AnswerHelpAndVersion(int argc, char** argv, bool demo)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    TOptions options(demo);
    // Options of the toolkit (-platform, -style) are not known here; they
    // are checked once the application has taken them out.
    options.parser.parse(arguments);
    const QByteArray program = QFileInfo(arguments.value(0)).fileName().toLocal8Bit();
    if (options.parser.isSet(options.help)) {
        QString text = options.parser.helpText();
        text.replace("<executable_name>", QString::fromLocal8Bit(program));
        std::fputs(text.toLocal8Bit().constData(), stdout);
        std::exit(EXIT_SUCCESS);
    }
    if (options.parser.isSet(options.version)) {
        std::printf("%s %s\n", program.constData(), QUORVEX_VERSION);
        std::exit(EXIT_SUCCESS);
    }
}

TCommandLine ParseCommandLine(const QStringList& arguments, bool demo)
{
    TOptions options(demo);
    options.parser.process(arguments);
    TCommandLine line;
    line.FilterBoard = options.parser.isSet(options.filterBoard);
    line.Instant = demo && options.parser.isSet(options.instant);
    if (demo)
        line.BoardLog = options.parser.value(options.boardLog);
    return line;
}
