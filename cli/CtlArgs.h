#pragma once
// The words of a quorvexctl command line (or of a batch line): the table of
// commands and options they are read against, the reading itself, the help
// texts and the numbers the arguments carry. One table serves the parser,
// --help, the manual page's test and the shell completion, so a command or an
// option is added in one place.
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/Ctl.h"

// A failure with its exit status and the text after "quorvexctl: ".
class TCtlFailure : public std::runtime_error {
public:
    TCtlFailure(int status, const std::string& text) : std::runtime_error(text), Status(status) {}
    int Status;
};

struct TCtlOption {
    std::string Name;                    // "--multiplier"
    std::string Value;                   // "M"; empty for a flag
    std::string Help;                    // what it is, what it accepts, its default
    std::vector<std::string> Choices{};  // the values the completion offers
    bool File = false;                 // the value names a file
};

struct TCtlArgument {
    std::string Name;  // "FREQ"
    std::string Help;
    bool Required = true;
    std::vector<std::string> Choices{};
    bool File = false;
};

struct TCtlCall;
struct TCtlCommand {
    std::string Name;  // one word, or two for a command of a group ("eeprom read")
    std::string Summary;
    std::vector<TCtlArgument> Arguments;
    std::vector<TCtlOption> Options;
    bool InBatch = true;  // may be a line of a batch session
    int (*Run)(TCtlCall& call) = nullptr;
};

// Every command, in the order --help lists them, and the options every
// command takes anywhere on the line.
const std::vector<TCtlCommand>& CtlCommands();
const std::vector<TCtlOption>& CtlGlobalOptions();

// A line read against the table.
struct TCtlArgs {
    const TCtlCommand* Command = nullptr;  // none: only --help or --version
    std::vector<std::string> Arguments;
    std::map<std::string, std::string> Options;  // by name; a flag's value is empty

    bool Has(const std::string& option) const { return Options.count(option) != 0; }
    std::optional<std::string> Value(const std::string& option) const;
    // The argument at index, or none when it was left out.
    std::optional<std::string> Argument(size_t index) const;
};

// Reads the words after the program's name. Options may stand anywhere,
// "--name value" or "--name=value"; "--" makes the rest arguments; "-" and
// negative numbers are arguments. TCtlFailure (CtlUsage) naming the word that
// is wrong and what is accepted there.
TCtlArgs ParseCtlArgs(std::span<const std::string> words);

// A batch line's words: split at blanks, with "..." or '...' keeping blanks
// in one word. TCtlFailure for an unclosed quote.
std::vector<std::string> SplitCtlLine(const std::string& line);

std::string CtlHelpText();
std::string CommandHelpText(const TCtlCommand& command);
// "set FREQ [--multiplier M] [--offset MHZ]"
std::string CommandSynopsis(const TCtlCommand& command);
// "list, get, set, ...": what an unknown command is told.
std::string CommandNames();

// "14074000", "14.074M", "7030k", " 7.0 MHz ": Hz. A number (blanks around it
// and the unit are ignored) with an optional k or K (kHz), M (MHz) or G (GHz),
// optionally followed by Hz in any case. False for anything else, for a
// negative or infinite frequency, and for m (milli is no frequency a board makes).
bool ParseFrequency(const std::string& text, double& hz);
constexpr const char* FrequencyAccepts = "Hz, or with k, M or G (7030k, 14.074M)";

// The arguments' and options' numbers, each refused with a TCtlFailure that
// names the word and says what it accepts.
double FrequencyValue(const std::string& command, const std::string& what, const std::string& text);
// A finite number; accepts says what is accepted, for the refusal.
double NumberValue(const std::string& command, const std::string& what, const std::string& text,
                   const std::string& accepts);
// A whole number from first to last (blanks around it ignored).
long long WholeValue(const std::string& command, const std::string& what, const std::string& text, long long first,
                     long long last, const std::string& accepts);
// One of choices, compared as typed.
std::string ChoiceValue(const std::string& command, const std::string& what, const std::string& text,
                        const std::vector<std::string>& choices);
[[noreturn]] void RefuseValue(const std::string& command, const std::string& what, const std::string& text,
                              const std::string& accepts);
