#include "cli/CtlArgs.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "support/NumberText.h"

namespace {

std::string Joined(const std::vector<std::string>& items, const std::string& separator)
{
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : separator) + item;
    return text;
}

std::string Trimmed(const std::string& text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const auto first = std::find_if_not(text.begin(), text.end(), blank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

[[noreturn]] void Refuse(const std::string& text)
{
    throw TCtlFailure(CtlUsage, text);
}

// An option word, not an argument: "-" alone and negative numbers are arguments.
bool IsOptionWord(const std::string& word)
{
    return word.size() > 1 && word[0] == '-' && !std::isdigit(static_cast<unsigned char>(word[1])) &&
           word[1] != '.';
}

const TCtlOption* FindIn(const std::vector<TCtlOption>& options, const std::string& name)
{
    const auto found =
        std::find_if(options.begin(), options.end(), [&](const TCtlOption& o) { return o.Name == name; });
    return found == options.end() ? nullptr : &*found;
}

// An option of any command: whether it takes a value is the same everywhere,
// so it can be read before the command is known.
const TCtlOption* AnyOption(const std::string& name)
{
    if (const TCtlOption* global = FindIn(CtlGlobalOptions(), name))
        return global;
    for (const TCtlCommand& command : CtlCommands())
        if (const TCtlOption* option = FindIn(command.Options, name))
            return option;
    return nullptr;
}

std::string OptionNames(const std::vector<TCtlOption>& options)
{
    std::vector<std::string> names;
    for (const TCtlOption& o : options)
        names.push_back(o.Name);
    return Joined(names, ", ");
}

std::string FirstWord(const std::string& name)
{
    return name.substr(0, name.find(' '));
}

// The command the leading arguments name; they are taken from arguments.
const TCtlCommand& FindCommand(std::vector<std::string>& arguments)
{
    if (arguments.empty())
        Refuse("a command is required; the commands are: " + CommandNames());
    const std::string word = arguments.front();
    std::vector<const TCtlCommand*> group;
    for (const TCtlCommand& command : CtlCommands())
        if (FirstWord(command.Name) == word)
            group.push_back(&command);
    if (group.empty())
        Refuse("'" + word + "' is not a command; the commands are: " + CommandNames());
    arguments.erase(arguments.begin());
    if (group.front()->Name == word)
        return *group.front();
    // A group: its second word names the command.
    std::vector<std::string> second;
    for (const TCtlCommand* command : group)
        second.push_back(command->Name.substr(word.size() + 1));
    if (arguments.empty())
        Refuse(word + " needs one of: " + Joined(second, ", "));
    const auto found = std::find(second.begin(), second.end(), arguments.front());
    if (found == second.end())
        Refuse(word + ": '" + arguments.front() + "' is not one of: " + Joined(second, ", "));
    arguments.erase(arguments.begin());
    return *group[static_cast<size_t>(found - second.begin())];
}

void CheckArguments(const TCtlCommand& command, const std::vector<std::string>& arguments)
{
    if (arguments.size() > command.Arguments.size()) {
        const std::string& extra = arguments[command.Arguments.size()];
        Refuse(command.Name + ": unexpected argument '" + extra + "'; " +
               (command.Arguments.empty() ? command.Name + " takes none" : "usage: " + CommandSynopsis(command)));
    }
    for (size_t i = arguments.size(); i < command.Arguments.size(); ++i)
        if (command.Arguments[i].Required)
            Refuse(command.Name + ": " + command.Arguments[i].Name + " is missing: " + command.Arguments[i].Help);
}

void CheckOptions(const TCtlCommand& command, const std::map<std::string, std::string>& options)
{
    for (const auto& [name, value] : options) {
        if (FindIn(CtlGlobalOptions(), name) || FindIn(command.Options, name))
            continue;
        Refuse(command.Name + ": " + name + " is not an option of " + command.Name + "; " +
               (command.Options.empty() ? "it has none" : "its options are " + OptionNames(command.Options)) +
               ", besides the global ones");
    }
}

std::string OptionSynopsis(const TCtlOption& o)
{
    return "[" + o.Name + (o.Value.empty() ? "" : " " + o.Value) + "]";
}

std::string Column(const std::string& left, const std::string& right)
{
    constexpr size_t Width = 24;
    // A long one on a line of its own.
    const std::string gap =
        left.size() < Width ? std::string(Width - left.size(), ' ') : "\n" + std::string(Width + 2, ' ');
    return "  " + left + gap + right + "\n";
}

}  // namespace

std::optional<std::string> TCtlArgs::Value(const std::string& option) const
{
    const auto found = Options.find(option);
    if (found == Options.end())
        return std::nullopt;
    return found->second;
}

std::optional<std::string> TCtlArgs::Argument(size_t index) const
{
    if (index >= Arguments.size())
        return std::nullopt;
    return Arguments[index];
}

TCtlArgs ParseCtlArgs(std::span<const std::string> words)
{
    TCtlArgs args;
    std::vector<std::string> positional;
    bool onlyArguments = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (onlyArguments || !IsOptionWord(word)) {
            positional.push_back(word);
            continue;
        }
        if (word == "--") {
            onlyArguments = true;
            continue;
        }
        const size_t equals = word.find('=');
        std::string name = word.substr(0, equals);
        if (name == "-h")
            name = "--help";
        const TCtlOption* option = AnyOption(name);
        if (!option)
            Refuse("unknown option " + name + "; the global options are " + OptionNames(CtlGlobalOptions()) +
                   " (quorvexctl COMMAND --help lists a command's own)");
        if (option->Value.empty()) {
            if (equals != std::string::npos)
                Refuse(name + " takes no value");
            args.Options[name] = "";
        } else if (equals != std::string::npos) {
            args.Options[name] = word.substr(equals + 1);
        } else if (i + 1 < words.size()) {
            args.Options[name] = words[++i];
        } else {
            Refuse(name + " needs a value: " + option->Value + ", " + option->Help);
        }
    }
    if (positional.empty() && (args.Has("--help") || args.Has("--version")))
        return args;
    args.Command = &FindCommand(positional);
    CheckOptions(*args.Command, args.Options);
    if (!args.Has("--help"))
        CheckArguments(*args.Command, positional);
    args.Arguments = std::move(positional);
    return args;
}

std::vector<std::string> SplitCtlLine(const std::string& line)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (const char c : line) {
        if (quote) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quote)
        Refuse(std::string("the line ends inside a quoted word (") + quote + " without its closing " + quote + ")");
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::string CommandNames()
{
    std::vector<std::string> names;
    for (const TCtlCommand& command : CtlCommands())
        names.push_back(command.Name);
    return Joined(names, ", ");
}

std::string CommandSynopsis(const TCtlCommand& command)
{
    std::string text = command.Name;
    for (const TCtlArgument& a : command.Arguments) {
        const std::string name = a.Choices.empty() ? a.Name : Joined(a.Choices, "|");
        text += " " + (a.Required ? name : "[" + name + "]");
    }
    for (const TCtlOption& o : command.Options)
        text += " " + OptionSynopsis(o);
    return text;
}

std::string CtlHelpText()
{
    std::string text = "Usage: quorvexctl [GLOBAL OPTIONS] COMMAND [ARGUMENTS] [OPTIONS]\n"
                       "Drives the USB Si570 synthesizer board from the command line.\n\nCommands:\n";
    for (const TCtlCommand& command : CtlCommands())
        text += Column(command.Name, command.Summary);
    text += "\nGlobal options, anywhere on the line:\n";
    for (const TCtlOption& o : CtlGlobalOptions())
        text += Column(o.Name + (o.Value.empty() ? "" : " " + o.Value), o.Help);
    return text + "\nquorvexctl COMMAND --help says what a command takes; man quorvexctl says more.\n";
}

std::string CommandHelpText(const TCtlCommand& command)
{
    std::string text = "Usage: quorvexctl " + CommandSynopsis(command) + "\n" + command.Summary + "\n";
    if (!command.Arguments.empty()) {
        text += "\nArguments:\n";
        for (const TCtlArgument& a : command.Arguments)
            text += Column(a.Name, a.Help);
    }
    if (!command.Options.empty()) {
        text += "\nOptions:\n";
        for (const TCtlOption& o : command.Options)
            text += Column(o.Name + (o.Value.empty() ? "" : " " + o.Value), o.Help);
    }
    return text + "\nGlobal options: " + OptionNames(CtlGlobalOptions()) + " (quorvexctl --help)\n";
}

bool ParseFrequency(const std::string& text, double& hz)
{
    std::string number = Trimmed(text);
    if (number.size() >= 2 && std::tolower(static_cast<unsigned char>(number[number.size() - 2])) == 'h' &&
        std::tolower(static_cast<unsigned char>(number.back())) == 'z')
        number.resize(number.size() - 2);
    double factor = 1;
    if (!number.empty()) {
        switch (number.back()) {
        case 'k':
        case 'K':
            factor = 1e3;
            break;
        case 'M':
            factor = 1e6;
            break;
        case 'G':
            factor = 1e9;
            break;
        default:
            break;
        }
        if (factor != 1)
            number.pop_back();
    }
    double value = 0;
    if (!TryParseFloat(number, value) || !std::isfinite(value * factor) || value < 0)
        return false;
    hz = value * factor;
    return true;
}

void RefuseValue(const std::string& command, const std::string& what, const std::string& text,
                 const std::string& accepts)
{
    Refuse(command + ": " + what + " '" + text + "' is not accepted: " + accepts);
}

double FrequencyValue(const std::string& command, const std::string& what, const std::string& text)
{
    double hz = 0;
    if (!ParseFrequency(text, hz))
        Refuse(command + ": " + what + " '" + text + "' is not a frequency: " + FrequencyAccepts);
    return hz;
}

double NumberValue(const std::string& command, const std::string& what, const std::string& text,
                   const std::string& accepts)
{
    double value = 0;
    if (!TryParseFloat(text, value))
        Refuse(command + ": " + what + " '" + text + "' is not a finite number: " + accepts);
    return value;
}

long long WholeValue(const std::string& command, const std::string& what, const std::string& text, long long first,
                     long long last, const std::string& accepts)
{
    const std::string digits = Trimmed(text);
    long long value = 0;
    bool whole = !digits.empty() && digits.size() <= 18;
    for (const char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            whole = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (!whole || value < first || value > last)
        RefuseValue(command, what, text, accepts);
    return value;
}

std::string ChoiceValue(const std::string& command, const std::string& what, const std::string& text,
                        const std::vector<std::string>& choices)
{
    if (std::find(choices.begin(), choices.end(), text) == choices.end())
        RefuseValue(command, what, text, "one of " + Joined(choices, ", "));
    return text;
}
