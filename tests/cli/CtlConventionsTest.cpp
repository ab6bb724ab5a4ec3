// The conventions every quorvexctl command follows: options anywhere, the
// frequencies it reads, - for standard input and output, where backups go,
// and the shell completion and the manual page that cover every command.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "CtlFixture.h"
#include "cli/CtlArgs.h"
#include "memory/UIntelHex.h"

namespace {

TEST_F(CtlTest, GlobalOptionsStandAnywhereOnTheLine)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    const std::string json = "{\"frequency_hz\": 7030000, \"crystal_mhz\": 114.285, \"speed_grade\": \"C\", "
                             "\"display_hz\": 7030000, \"multiplier\": 1, \"offset_mhz\": 0}\n";
    const std::vector<std::vector<const char*>> lines = {
        {"--json", "--serial", "SN1", "set", "7030k"},
        {"set", "--json", "7030k", "--serial", "SN1"},
        {"set", "7030k", "--serial=SN1", "--json"},
        {"--serial", "SN1", "set", "--json", "--", "7030k"},
    };
    for (const auto& line : lines) {
        const Result r = Run(line);
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_EQ(r.Out, json) << line[0] << " " << line[1];
    }
}

// Which suffixes a frequency takes: k and K (kHz), M (MHz), G (GHz), each
// with an optional Hz; m (milli) is no frequency a board makes.
TEST(CtlFrequency, SuffixesAndBlanks)
{
    const struct {
        const char* Text;
        bool Valid;
        double Hz;
    } cases[] = {
        {"14074000", true, 14074000}, {"7030k", true, 7030000},   {"7030K", true, 7030000},
        {"14.074M", true, 14074000},  {"1.2G", true, 1.2e9},      {"14MHz", true, 14e6},
        {"7030kHz", true, 7030000},   {"7030KHZ", true, 7030000}, {"14Hz", true, 14},
        {"1e3k", true, 1e6},          {"0", true, 0},             {" 14M", true, 14e6},
        {"14M ", true, 14e6},         {"\t14M\t", true, 14e6},    {"14 M", true, 14e6},
        {"14 hz", true, 14},          {"14m", false, 0},          {"14mhz", false, 0},
        {"14MM", false, 0},           {"14T", false, 0},          {"14g", false, 0},
        {"M", false, 0},              {"Hz", false, 0},           {"", false, 0},
        {"1 4M", false, 0},           {"-14M", false, 0},         {"1e400", false, 0},
        {"1e300G", false, 0},         {"0x10", false, 0},
    };
    for (const auto& c : cases) {
        double hz = -1;
        EXPECT_EQ(ParseFrequency(c.Text, hz), c.Valid) << "'" << c.Text << "'";
        if (c.Valid)
            EXPECT_EQ(hz, c.Hz) << "'" << c.Text << "'";
        else
            EXPECT_EQ(hz, -1) << "unchanged: '" << c.Text << "'";
    }
}

// Blanks around a number are taken alike on both sides, wherever a number is read.
TEST_F(CtlTest, BlanksAroundNumbersAreTakenAlikeOnBothSides)
{
    PlugBoard();
    Waits = false;
    for (const char* frequency : {" 14M", "14M ", " 14 M "})
        EXPECT_EQ(Run({"set", frequency}).Out, "f(SI570) = 14000000 Hz\n") << "'" << frequency << "'";
    for (const char* multiplier : {" 4", "4 "})
        EXPECT_EQ(Run({"set", "14M", "--multiplier", multiplier}).Status, 0) << "'" << multiplier << "'";
    for (const char* ms : {" 5", "5 "})
        EXPECT_EQ(Run({"sleep", ms}).Out, "slept 5 ms\n") << "'" << ms << "'";
    for (const char* port : {" 300", "300 "})
        EXPECT_TRUE(Run({"set", "14M", "--port", port}).Err.starts_with("quorvexctl: set: --port '")) << port;
}

// - is standard output: then it carries the data alone, which another
// program reads back through standard input.
TEST_F(CtlTest, DashIsStandardInputAndOutput)
{
    auto board = PlugBoard();
    for (size_t a = 0; a < board->Eeprom.size(); ++a)
        board->Eeprom[a] = static_cast<uint8_t>(a * 3);
    const Result saved = Run({"eeprom", "read", "-"});
    EXPECT_EQ(saved.Status, 0);
    EXPECT_EQ(saved.Out, IntelHexText(0, 512, board->Eeprom)) << "nothing but the records";
    const Result dumped = Run({"dump", "-"});
    EXPECT_EQ(dumped.Out, IntelHexText(0, 8192, board->Flash));

    // Standard output named by a path (/dev/stdout, or the file it was sent to) is taken alike.
    const std::string out = File("out.hex");
    OutFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const Result named = Run({"eeprom", "read", out.c_str()});
    ::close(OutFd);
    OutFd = -1;
    EXPECT_EQ(named.Out, "");
    std::stringstream records;
    records << std::ifstream(out).rdbuf();
    EXPECT_EQ(records.str(), saved.Out);
    EXPECT_EQ(Run({"eeprom", "read", out.c_str()}).Out, "EEPROM saved to " + out + "\n") << "a file of its own";

    const auto eeprom = board->Eeprom;
    board->Eeprom.fill(0);
    Input = saved.Out;
    const Result written = Run({"eeprom", "write", "-"});
    EXPECT_EQ(written.Status, 0) << written.Err;
    EXPECT_TRUE(written.Out.starts_with("EEPROM written and verified. Backup: ")) << written.Out;
    EXPECT_EQ(board->Eeprom, eeprom);

    Input = ":0100000022DD\n:00000001FF\n";
    const Result partial = Run({"eeprom", "write", "-"});
    EXPECT_EQ(partial.Status, 4);
    EXPECT_TRUE(partial.Err.starts_with("quorvexctl: standard input does not cover the whole EEPROM")) << partial.Err;
    Input = ":0100000022DE\n";
    EXPECT_EQ(Run({"flash", "-"}).Err, "quorvexctl: Error reading standard input line 1: checksum mismatch\n");
    Input = "";
    EXPECT_EQ(Run({"verify", "-"}).Err,
              "quorvexctl: standard input defines nothing at or above the flashable start 0x1000 to compare\n");
}

// The backups follow the XDG rule; without a folder that rule gives, nothing
// is read from the board and nothing written.
TEST_F(CtlTest, BackupsGoWhereTheXdgRuleSays)
{
    auto board = PlugBoard();
    WriteIntelHex(File("new.hex"), 0, 512, std::vector<uint8_t>(512, 0x22));
    const std::string home = (Dir / "home").string();
    const struct {
        const char* DataHome;  // nullptr: unset
        const char* Home;
        std::string Folder;  // empty: refused
    } cases[] = {
        {"DATA", "HOME", (Dir / "DATA/Quorvex/backups").string()},
        {nullptr, "HOME", (Dir / "HOME/.local/share/Quorvex/backups").string()},
        {"", "HOME", (Dir / "HOME/.local/share/Quorvex/backups").string()},
        {"relative/data", "HOME", (Dir / "HOME/.local/share/Quorvex/backups").string()},
        {nullptr, nullptr, ""},
        {"relative/data", "relative/home", ""},
    };
    const char* savedHome = std::getenv("HOME");
    const std::string restore = savedHome ? savedHome : "";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.DataHome ? c.DataHome : "(unset)") + ", " + (c.Home ? c.Home : "(unset)"));
        const auto set = [this](const char* name, const char* value) {
            if (!value)
                ::unsetenv(name);
            else if (value[0] == 0 || std::string(value).starts_with("relative"))
                ::setenv(name, value, 1);
            else
                ::setenv(name, (Dir / value).c_str(), 1);
        };
        set("XDG_DATA_HOME", c.DataHome);
        set("HOME", c.Home);
        board->Log.clear();
        const Result r = Run({"eeprom", "write", "new.hex"});
        if (c.Folder.empty()) {
            EXPECT_EQ(r.Status, 4);
            EXPECT_EQ(r.Err, "quorvexctl: Cannot choose the backups folder: neither XDG_DATA_HOME nor HOME is an "
                             "absolute path; nothing was written\n");
            EXPECT_TRUE(board->Log.empty() || std::none_of(board->Log.begin(), board->Log.end(), [](const auto& t) {
                            return t.Request == 0x11 || t.Request == 0x10;
                        }));
        } else {
            EXPECT_EQ(r.Status, 0) << r.Err;
            EXPECT_TRUE(r.Out.starts_with("EEPROM written and verified. Backup: " + c.Folder + "/eeprom-")) << r.Out;
        }
    }
    ::setenv("HOME", restore.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (Dir / "data").c_str(), 1);
}

// The words of a text, sorted, each followed by a blank: the shell lists
// files in the directory's order.
std::string Sorted(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    std::sort(words.begin(), words.end());
    std::string out;
    for (const std::string& w : words)
        out += w + " ";
    return out;
}

// The completion the package installs, sourced by bash as the shell does,
// asked what it offers after what has been typed.
std::string Complete(const std::string& script, const std::string& typed)
{
    const std::string program = "source '" + script + "'; COMP_WORDS=(" + typed +
                                "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _quorvexctl; "
                                "printf '%s\\n' \"${COMPREPLY[@]}\"";
    int out[2];
    if (::pipe(out) != 0)
        return "(no pipe)";
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl("/bin/bash", "bash", "--norc", "-c", program.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char chunk[512];
    for (ssize_t got; (got = ::read(out[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<size_t>(got));
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return Sorted(text);
}

TEST_F(CtlTest, TheBashCompletionOffersEveryCommandAndOption)
{
    const Result made = Run({"completion", "bash"});
    ASSERT_EQ(made.Status, 0);
    const std::string script = File("quorvexctl.bash");
    std::ofstream(script) << made.Out;
    std::ofstream(File("fw.hex")) << "";
    std::filesystem::create_directory(Dir / "fwdir");
    const std::string commands = "list get set key calibration calibrate shift startup speed-grade remember erase "
                                 "eeprom flash verify dump batch sweep sleep beacon serve watch completion ";
    const struct {
        std::string Typed;  // the words, the last one being completed
        std::string Offered;
    } cases[] = {
        {"quorvexctl ''", commands},
        {"quorvexctl s", "set shift startup speed-grade sweep sleep serve "},
        {"quorvexctl --demo ''", commands},
        {"quorvexctl --serial SN1 ''", commands},
        {"quorvexctl --se", "--serial "},
        {"quorvexctl eeprom ''", "read write "},
        {"quorvexctl eeprom write --", "--partial --json --demo --board-log --product --port --serial --manufacturer "
                                       "--help --version "},
        {"quorvexctl set 14M --m", "--multiplier --manufacturer "},
        {"quorvexctl shift ''", "up down "},
        {"quorvexctl shift up --ppm ''", "0.1 1 10 100 1000 "},
        {"quorvexctl speed-grade ''", "A B C "},
        {"quorvexctl --json remember o", "on off "},
        {"quorvexctl completion ''", "bash "},
        {"quorvexctl flash fw", "fw.hex fwdir "},
        {"quorvexctl --port 5 eeprom read fw", "fw.hex fwdir "},
        {"quorvexctl set ''", ""},
        {"quorvexctl beacon --off ''", ""},
        {"quorvexctl sweep 1M 2M 1k --d", "--dwell --demo "},
        {"quorvexctl beacon --mode ''", "mept wspr "},
        {"quorvexctl beacon --mode wspr --dial 2", "2200m 20m 2m "},
        {"quorvexctl beacon --power 3", "3 30 33 37 "},
        {"quorvexctl beacon --pr", "--print-symbols --product "},
        {"quorvexctl beacon --mode wspr --o", "--off --offset --once "},
        {"quorvexctl --demo --board-log fw", "fw.hex fwdir "},
        {"quorvexctl serve --l", "--listen "},
        {"quorvexctl serve --trace fw", "fw.hex fwdir "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Complete(script, c.Typed), Sorted(c.Offered)) << c.Typed;
}

// Every command and option of the table is in the manual page, with the
// sections a reader looks for.
TEST(CtlManual, NamesEveryCommandAndOption)
{
    std::ifstream file(QUORVEX_CTL_MANUAL);
    std::stringstream text;
    text << file.rdbuf();
    std::string page = text.str();
    for (size_t at; (at = page.find("\\-")) != std::string::npos;)
        page.replace(at, 2, "-");
    for (const TCtlCommand& command : CtlCommands()) {
        // An entry of COMMANDS: ".TP" and the name in bold, alone or followed by what it takes.
        bool listed = false;
        for (const std::string& start : {".B " + command.Name, ".BR " + command.Name, ".BR \"" + command.Name + "\""})
            for (const char* after : {"\n", " "})
                listed = listed || page.find("\n.TP\n" + start + after) != std::string::npos;
        EXPECT_TRUE(listed) << command.Name;
        for (const TCtlOption& option : command.Options)
            EXPECT_NE(page.find(option.Name), std::string::npos) << command.Name << " " << option.Name;
    }
    for (const TCtlOption& option : CtlGlobalOptions())
        EXPECT_NE(page.find(option.Name), std::string::npos) << option.Name;
    for (const char* section : {".SH EXIT STATUS", ".SH FILES", ".SH ENVIRONMENT", ".SH EXAMPLES", "BATCH PROTOCOL",
                                "BEACON CODE", "XDG_DATA_HOME", "sweep ", "cron"})
        EXPECT_NE(page.find(section), std::string::npos) << section;
}

}  // namespace
