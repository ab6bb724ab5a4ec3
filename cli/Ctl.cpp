#include "cli/Ctl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "cli/CtlCommands.h"

namespace {

constexpr const char* Version = "quorvexctl 0.1";

// --json before anything is read, so that a line that cannot be read is
// refused in JSON too.
bool AsksForJson(const std::vector<std::string>& words)
{
    const auto end = std::find(words.begin(), words.end(), "--");
    return std::find(words.begin(), end, "--json") != end;
}

TBoardChoice ChoiceOf(const TCtlArgs& args)
{
    const std::string name = args.Command->Name;
    TBoardChoice choice;
    choice.Product = args.Value("--product");
    choice.Serial = args.Value("--serial");
    choice.Manufacturer = args.Value("--manufacturer");
    if (const auto port = args.Value("--port"))
        choice.Port = static_cast<int>(WholeValue(name, "--port", *port, 0, 255, "a USB Port ID, 0 to 255"));
    return choice;
}

// The command line read and run; its status before standard output is checked.
int RunCommand(const std::vector<std::string>& words, bool json, TCtlEnvironment& env)
{
    TCtlArgs args;
    TBoardChoice choice;
    try {
        args = ParseCtlArgs(words);
        if (args.Has("--help")) {
            env.Out << (args.Command ? CommandHelpText(*args.Command) : CtlHelpText());
            return CtlOk;
        }
        if (args.Has("--version")) {
            env.Out << Version << "\n";
            return CtlOk;
        }
        choice = ChoiceOf(args);
    } catch (const TCtlFailure& e) {
        env.Err << ErrorLine(e.what(), e.Status, json) << "\n";
        return e.Status;
    }
    try {
        if (args.Has("--demo") && env.AttachDemoBoard)
            env.AttachDemoBoard();
    } catch (const std::runtime_error& e) {  // its log could not be created
        env.Err << ErrorLine(e.what(), CtlFile, json) << "\n";
        return CtlFile;
    }
    TCtlBoard board(choice);
    TCtlCall call{env, args, board, json};
    const TCtlOutcome outcome = RunCaught(call);
    if (!outcome.Text.empty())
        env.Err << ErrorLine(outcome.Text, outcome.Status, json) << "\n";
    return outcome.Status;
}

}  // namespace

int RunQuorvexCtl(int argc, const char* const* argv, TCtlEnvironment& env)
{
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    const bool json = AsksForJson(words);
    const int status = RunCommand(words, json, env);
    // A script that reads the output must not take a lost one for success.
    errno = 0;
    env.Out.flush();
    if (!env.Out.fail())
        return status;
    const int error = errno;
    const int failed = status == CtlOk ? CtlFile : status;
    env.Err << ErrorLine("cannot write to standard output" + (error ? std::string(": ") + std::strerror(error) : ""),
                         failed, json)
            << "\n";
    return failed;
}
