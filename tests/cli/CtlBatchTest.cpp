// quorvexctl batch and sweep: the answers a program reads line by line, what
// reached the board, and a board replugged in the middle of a session.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <functional>
#include <sstream>

#include "CtlFixture.h"
#include "memory/UIntelHex.h"
#include "usb/Si570.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Whether the board was opened anew (a string read: the bus walk's open)
// after the first frequency went out.
bool OpenedAfterFirstSet(const VirtualBoard& board)
{
    const auto first = std::find_if(board.Log.begin(), board.Log.end(),
                                    [](const TransferRecord& t) { return t.Request == 0x30; });
    return std::any_of(first, board.Log.end(), [](const TransferRecord& t) { return t.RequestType == 0x80; });
}

// An expected line that ends in * is a prefix.
void ExpectLines(const std::vector<std::string>& got, const std::vector<std::string>& wanted)
{
    ASSERT_EQ(got.size(), wanted.size()) << ::testing::PrintToString(got);
    for (size_t i = 0; i < got.size(); ++i) {
        if (wanted[i].ends_with("*"))
            EXPECT_TRUE(got[i].starts_with(wanted[i].substr(0, wanted[i].size() - 1))) << got[i];
        else
            EXPECT_EQ(got[i], wanted[i]);
    }
}

const std::vector<int> BoardValues(9, 0x11);  // speed grade, start-up and crystal words: read once

std::vector<int> Then(std::vector<int> first, const std::vector<int>& more)
{
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

struct Transcript {
    const char* Name;
    std::vector<const char*> Args;  // after "batch"
    std::string Input;
    std::vector<std::string> Answers;
    std::vector<int> Requests;
    int Status = 0;
};

TEST_F(CtlTest, BatchAnswersEachLineOnOneOpenBoard)
{
    const std::string hex = [] {
        std::string text;
        for (int a = 0; a < 512; a += 16)
            text += FormatDataRecord(a, 16, std::vector<uint8_t>(512, 0x22)) + "\n";
        return text + FormatEndRecord(0) + "\n";
    }();
    const std::string commands = "list, get, set, key, calibration, calibrate, shift, startup, speed-grade, remember, "
                                 "erase, eeprom read, eeprom write, flash, verify, dump, sleep";
    const Transcript transcripts[] = {
        {"frequencies", {}, "set 14M\nset 14.1M\nget\n",
         {"f(SI570) = 14000000 Hz", "f(SI570) = 14100000 Hz", "f(SI570) = 14100000 Hz"},
         Then(BoardValues, {0x30, 0x30, 0x3F})},
        {"JSON answers and errors", {"--json"}, "set 14M\nfrob\nkey\n",
         {"{\"frequency_hz\": 14000000, \"crystal_mhz\": 114.285, \"speed_grade\": \"C\", \"display_hz\": 14000000, "
          "\"multiplier\": 1, \"offset_mhz\": 0}",
          "{\"error\": \"'frob' is not a command; the commands are: list, get, set, key, calibration, calibrate, "
          "shift, startup, speed-grade, remember, erase, eeprom read, eeprom write, flash, verify, dump, batch, sweep, "
          "sleep, beacon, serve, watch, completion\", \"status\": 1}",
          "{\"key\": \"up\", \"byte\": 32}"},
         Then(BoardValues, {0x30, 0x51}), 1},
        {"a failed line does not end the session", {}, "set 1M\nset 14M\nset 14M --offset x\n",
         {"error 1: frequency not supported: 1000000 Hz", "f(SI570) = 14000000 Hz",
          "error 1: set: --offset 'x' is not a finite number: MHz, a number"},
         Then(BoardValues, {0x30}), 1},
        {"a line with --json", {}, "key --json\nkey\n", {"{\"key\": \"up\", \"byte\": 32}", "key up"}, {0x51, 0x51}},
        {"comments, blank lines, pauses and answers of several lines", {},
         "sleep 5\n# a comment\n\n   \ncalibration\n",
         {"slept 5 ms", "crystal\t114.285 MHz; start-up\t56.32 MHz; speed grade\tC"}, BoardValues},
        {"what a line may not say", {},
         "watch\nset 14M --serial SN2\nbatch\nset 'unclosed\nset --help\neeprom read -\n",
         {"error 1: watch is not a batch command; these are: " + commands,
          "error 1: --serial is the whole session's: give it to quorvexctl batch",
          "error 1: batch is not a batch command; these are: " + commands,
          "error 1: the line ends inside a quoted word (' without its closing ')",
          "error 1: --help and --version are not batch commands",
          "error 1: eeprom read: FILE '-' is standard output, which carries a batch session's answers: name a file"},
         {}, 1},
        {"the session's multiplier and offset", {"--multiplier", "4"},
         "set 14M\nset 14M --multiplier 1\nget --offset 2\nget\n",
         {"f = 14000000 Hz, f(SI570) = 56000000 Hz", "f(SI570) = 14000000 Hz",
          "f = 3000000 Hz, f(SI570) = 14000000 Hz", "f = 3500000 Hz, f(SI570) = 14000000 Hz"},
         Then(BoardValues, {0x30, 0x30, 0x3F, 0x3F})},
        {"a file from the session's own input", {}, "eeprom write -\n" + hex + "key\n",
         {"EEPROM written and verified. Backup: *", "key up"}, {}},
        {"quoted words", {}, "set \"14 M\"\n", {"f(SI570) = 14000000 Hz"}, Then(BoardValues, {0x30})},
    };
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    for (const Transcript& t : transcripts) {
        SCOPED_TRACE(t.Name);
        board->Log.clear();
        Input = t.Input;
        std::vector<const char*> args{"batch"};
        args.insert(args.end(), t.Args.begin(), t.Args.end());
        const Result r = Run(args);
        EXPECT_EQ(r.Status, t.Status);
        EXPECT_EQ(r.Err, "");
        ExpectLines(Lines(r.Out), t.Answers);
        if (t.Input.starts_with("eeprom")) {
            EXPECT_TRUE(std::all_of(board->Eeprom.begin(), board->Eeprom.end(), [](uint8_t b) { return b == 0x22; }));
            board->Eeprom.fill(0xFF);
            continue;
        }
        EXPECT_EQ(VendorRequests(*board), t.Requests);
        EXPECT_FALSE(OpenedAfterFirstSet(*board)) << "one handle while the board stays";
    }
}

// A program that drives the board over a pipe: the board goes and comes
// back between its lines.
TEST_F(CtlTest, ABatchFollowsItsBoardAcrossAReplug)
{
    const struct Step {
        std::function<void(VirtualUsbfs&, std::shared_ptr<VirtualBoard>&)> Before;
        const char* Line;
        std::string Answer;
        std::vector<int> Requests;  // what reached the board for this line
    } steps[] = {
        {[](auto&, auto&) {}, "set 14M", "f(SI570) = 14000000 Hz", Then(BoardValues, {0x30})},
        // Replugged: the next line reaches it on a fresh handle, once.
        {[](auto& fs, auto& b) {
             fs.Unplug(*b);
             fs.Plug(b);
         },
         "set 14.1M", "f(SI570) = 14100000 Hz", {0x30}},
        {[](auto& fs, auto& b) { fs.Unplug(*b); }, "set 14.2M",
         "error 2: Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !", {}},
        {[](auto&, auto&) {}, "key", "error 2: Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !",
         {}},
        // Back: it restarted at its factory setting and is sent the frequency last asked for first.
        {[](auto& fs, auto& b) { fs.Plug(b); }, "get", "f(SI570) = 14200000 Hz",
         Then({0x30}, Then(BoardValues, {0x3F}))},
        {[](auto&, auto&) {}, "set 14.3M", "f(SI570) = 14300000 Hz", {0x30}},
    };
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    size_t next = 0;
    std::vector<std::vector<int>> requests;
    std::ostringstream out, err;
    TCtlEnvironment env{out, err};
    env.StopRequested = [] { return false; };
    env.Sleep = [](int) {};
    env.ReadLine = [&](std::string& line) {
        if (next > 0)
            requests.push_back(VendorRequests(*board));
        if (next == std::size(steps))
            return false;
        board->Log.clear();
        steps[next].Before(Fs, board);
        line = steps[next++].Line;
        return true;
    };
    ResetDeviceLinkValues();
    const char* args[] = {"quorvexctl", "batch"};
    EXPECT_EQ(RunQuorvexCtl(2, args, env), 2) << "the last failure's status";
    const std::vector<std::string> answers = Lines(out.str());
    ASSERT_EQ(answers.size(), std::size(steps));
    ASSERT_EQ(requests.size(), std::size(steps));
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(steps[i].Line);
        EXPECT_TRUE(answers[i].starts_with(steps[i].Answer)) << answers[i];
        EXPECT_EQ(requests[i], steps[i].Requests);
    }
    EXPECT_NEAR(board->OutputMHz() * NominalXtalMHz / board->Settings().TrueXtalMHz, 14.3, 1e-9);
    EXPECT_EQ(Fs.OpenFiles(), 0) << "the session's handle is closed at its end";
}

// A board without a serial number cannot be told from another after a
// replug: the line that finds it gone fails, the next finds the board of the
// product again and sends it what it is owed first.
TEST_F(CtlTest, ABatchFindsABoardWithoutSerialAgainAtTheNextLine)
{
    auto board = PlugBoard();
    int line = 0;
    std::ostringstream out, err;
    TCtlEnvironment env{out, err};
    env.StopRequested = [] { return false; };
    env.Sleep = [](int) {};
    env.ReadLine = [&](std::string& text) {
        const char* lines[] = {"set 14M", "set 14.1M", "get", "set 14.2M"};
        if (line == 1) {
            Fs.Unplug(*board);
            Fs.Plug(board);
        }
        if (line == 4)
            return false;
        text = lines[line++];
        return true;
    };
    ResetDeviceLinkValues();
    const char* args[] = {"quorvexctl", "batch"};
    EXPECT_EQ(RunQuorvexCtl(2, args, env), 2);
    const std::vector<std::string> answers = Lines(out.str());
    ASSERT_EQ(answers.size(), 4u);
    EXPECT_EQ(answers[0], "f(SI570) = 14000000 Hz");
    EXPECT_TRUE(answers[1].starts_with("error 2: Could not find USB device")) << answers[1];
    EXPECT_EQ(answers[2], "f(SI570) = 14100000 Hz") << "sent what it was owed before it was read";
    EXPECT_EQ(answers[3], "f(SI570) = 14200000 Hz");
}

TEST_F(CtlTest, SweepStepsFromStartToStopOnOneHandle)
{
    auto board = PlugBoard();
    Waits = false;
    const struct {
        std::vector<const char*> Args;
        std::vector<std::string> Answers;
        long long SleptMs;
    } sweeps[] = {
        {{"14M", "14.003M", "1k"},
         {"f(SI570) = 14000000 Hz", "f(SI570) = 14001000 Hz", "f(SI570) = 14002000 Hz", "f(SI570) = 14003000 Hz"}, 0},
        {{"7.0002M", "7M", "100", "--dwell", "250"},
         {"f(SI570) = 7000200 Hz", "f(SI570) = 7000100 Hz", "f(SI570) = 7000000 Hz"}, 750},
        {{"14M", "14.0025M", "1k", "--multiplier", "4", "--json"},
         {"{\"frequency_hz\": 56000000, *", "{\"frequency_hz\": 56004000, *", "{\"frequency_hz\": 56008000, *"}, 0},
        // A step the Si570 cannot make is said, and the sweep goes on.
        {{"3.4M", "3.5M", "50k"},
         {"error 1: frequency not supported: 3400000 Hz", "f(SI570) = 3450000 Hz", "f(SI570) = 3500000 Hz"}, 0},
        {{"14M", "14M", "1"}, {"f(SI570) = 14000000 Hz"}, 0},
    };
    for (const auto& sweep : sweeps) {
        SCOPED_TRACE(std::string(sweep.Args[0]) + " " + sweep.Args[1]);
        board->Log.clear();
        SleptMs = 0;
        std::vector<const char*> args{"sweep"};
        args.insert(args.end(), sweep.Args.begin(), sweep.Args.end());
        const Result r = Run(args);
        EXPECT_EQ(r.Status, sweep.Answers.front().starts_with("error") ? 1 : 0);
        ExpectLines(Lines(r.Out), sweep.Answers);
        EXPECT_EQ(SleptMs, sweep.SleptMs);
        EXPECT_FALSE(OpenedAfterFirstSet(*board));
    }
}

// The real binary on a pipe, as another program drives it: each answer comes
// as soon as its line is read, and SIGTERM ends a session waiting for input.
TEST(CtlProcess, ABatchAnswersOverAPipeAndEndsOnSigterm)
{
    int toChild[2], fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::dup2(toChild[0], STDIN_FILENO);
        ::dup2(fromChild[1], STDOUT_FILENO);
        ::close(toChild[1]);
        ::close(fromChild[0]);
        ::execl(QUORVEX_CTL_PATH, "quorvexctl", "batch", "--demo", nullptr);
        ::_exit(127);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    FILE* answers = ::fdopen(fromChild[0], "r");
    const auto ask = [&](const std::string& line) {
        EXPECT_EQ(::write(toChild[1], line.data(), line.size()), static_cast<ssize_t>(line.size()));
        char answer[512] = "";
        EXPECT_NE(std::fgets(answer, sizeof answer, answers), nullptr);
        return std::string(answer);
    };
    EXPECT_EQ(ask("set 10.1M\n"), "f(SI570) = 10100000 Hz\n");
    EXPECT_EQ(ask("get\n"), "f(SI570) = 10100000 Hz\n");
    EXPECT_EQ(ask("set 1k\n"), "error 1: frequency not supported: 1000 Hz\n");
    ::kill(child, SIGTERM);  // while it waits for the next line
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << "the last failure's status; " << status;
    ::close(toChild[1]);
    std::fclose(answers);
}

}  // namespace
