// quorvexctl beacon --mode wspr: refusals, the symbols it prints, and runs of
// the beacon on driven clocks (no waiting for UTC minutes) with what reached
// the board and when; the MEPT beacon on its kept handle; the board log.
#include <csignal>
#include <cstdio>
#include <fstream>
#include <regex>

#include "BeaconDriver.h"
#include "CtlFixture.h"
#include "CtlProcess.h"
#include "cli/CtlArgs.h"
#include "usb/SynthCommands.h"
#include "wspr/ClockState.h"
#include "wspr/WsprMessage.h"
#include "wspr/WsprTones.h"

namespace {

using namespace std::chrono_literals;

// What standard error says first of the machine's own clock.
std::string ClockWarning()
{
    const TClockState state = ReadClockState();
    return state.Synchronized ? "" : "quorvexctl: " + ClockStateText(state) + "\n";
}

std::string Digits(const TWsprTransmission& t)
{
    std::string digits;
    for (const uint8_t s : t.Symbols)
        digits += static_cast<char>('0' + s);
    return digits;
}

TRegisterBlock RegistersOf(double hz)
{
    TDividerSetting setting;
    EXPECT_TRUE(FindDividers(hz / 1e6, NominalXtalMHz, 0, setting));
    return PackRegisters(setting);
}

// The beacon's clocks, driven: UTC starts just before slot 1000 and moves
// only when the command waits. Every register write the board receives is
// kept with the driven UTC it came at; Passed runs after every wait.
struct TDrivenRun {
    TBeaconDriver Clock;
    std::vector<TBeaconDriver::TWrite> Writes;
    std::function<void()> Passed;

    explicit TDrivenRun(VirtualBoard& board)
    {
        board.OnTransfer = [this](const TransferRecord& r) {
            if (r.Request != 0x30 || r.Result != 6)
                return;
            TRegisterBlock block;
            std::copy(r.Bytes.begin(), r.Bytes.end(), block.begin());
            Writes.push_back({Clock.Utc(), block});
        };
    }

    void Install(TCtlEnvironment& env)
    {
        env.SteadyNow = [this] { return Clock.Now; };
        env.UtcNow = [this] { return Clock.Utc(); };
        env.WaitUntil = [this](TBeaconDriver::Clock::time_point t) {
            Clock.Now = std::max(Clock.Now, t);
            if (Passed)
                Passed();
        };
    }

    // UTC this far into the transmission of a slot.
    static WsprUtc::time_point Into(int64_t slot, std::chrono::milliseconds after)
    {
        return WsprTransmissionStart(slot) + after;
    }
};

constexpr auto SymbolLength = std::chrono::duration<double>(8192.0 / 12000);

std::vector<int> ToneIndexes(const std::vector<TBeaconDriver::TWrite>& writes, const TWsprTonePlan& tones)
{
    std::vector<int> indexes;
    for (const auto& w : writes) {
        const auto found = std::find(tones.Registers.begin(), tones.Registers.end(), w.Block);
        indexes.push_back(found == tones.Registers.end() ? -1 : static_cast<int>(found - tones.Registers.begin()));
    }
    return indexes;
}

// Every refusal says what is wrong and sends nothing: no register write.
TEST_F(CtlTest, WsprBeaconOptionsThatCannotWorkAreRefusedBeforeAnythingIsSent)
{
    auto board = PlugBoard();
    const std::string wspr = "beacon --mode wspr --call K1ABC --locator FN42 ";
    const struct {
        std::string Line;
        int Status;
        std::string Err;
    } cases[] = {
        {"beacon --mode morse", 1, "beacon: --mode 'morse' is not accepted: one of mept, wspr"},
        {"beacon --call K1ABC", 1, "beacon: --call is an option of --mode wspr"},
        {"beacon 89 --print-symbols", 1, "beacon: --print-symbols is an option of --mode wspr"},
        {wspr + "--symbol-time 1", 1, "beacon: --symbol-time is the MEPT beacon's, not an option of --mode wspr"},
        {wspr + "89", 1,
         "beacon: --mode wspr takes no CODE ('89'): the code is the MEPT beacon's; --call, --locator and --power make "
         "the WSPR message"},
        {"beacon --mode wspr --locator FN42", 1,
         "beacon: --mode wspr needs --call, the callsign: K1ABC, PJ4/K1ABC, K1ABC/P (the settings file keeps none)"},
        {"beacon --mode wspr --call K1ABC --print-symbols", 1,
         "beacon: --mode wspr needs --locator, the locator: FN42 or FN42AX (the settings file keeps none)"},
        {"beacon --mode wspr --call K1ABCDE --locator FN42", 1,
         "beacon: Callsign \"K1ABCDE\" cannot be sent: more than 6 characters; a callsign has up to 6 letters and "
         "digits with the call area digit second or third (K1ABC, AB1CD, 2E0ABC), and may carry one prefix of 1 to "
         "3 characters (PJ4/K1ABC) or one suffix: a letter or digit, or two digits 10 to 99 (K1ABC/P, K1ABC/12)."},
        {wspr + "--power 5", 1,
         "beacon: Power \"5\" cannot be sent: no power the message can carry; the power is 0 to 60 dBm in steps "
         "ending in 0, 3 or 7 (0, 3, 7, 10, ... 37, 40, ... 60)."},
        {wspr + "--share 20 --every 2", 1, "beacon: --share and --every exclude each other: give one"},
        {wspr + "--share 0", 1, "beacon: --share '0' is not accepted: a whole number of percent, 1 to 100"},
        {wspr + "--every 1001", 1, "beacon: --every '1001' is not accepted: every 1st to 1000th slot"},
        {wspr + "--offset 1700", 1,
         "beacon: Audio offset 1700 Hz cannot be used: WSPR transmits 1400 to 1600 Hz above the dial frequency."},
        {wspr + "--offset x", 1, "beacon: --offset 'x' is not a finite number: Hz, 1400 to 1600"},
        {wspr + "--offset 0.5", 1,
         "beacon: Audio offset 0.5 Hz cannot be used: WSPR transmits 1400 to 1600 Hz above the dial frequency."},
        {wspr + "--offset 1400", 0, ""},
        {"beacon --offset 1500", 1, "beacon: --offset is an option of --mode wspr"},
        {wspr + "--dial 20M", 0, ""},  // 20 MHz, not the 20 m band: accepted (stopped at once)
        {wspr + "--dial 20x", 1,
         "beacon: --dial '20x' is not accepted: Hz, or with k, M or G (7030k, 14.074M), or a band: 20m, 40m, ..."},
        {wspr + "--dial 630m", 1,
         "beacon: The Si570 cannot make the WSPR tones at 475697.803 to 475702.197 Hz with one divider setting."},
        {wspr + "--off 1", 1,
         "beacon: Off frequency 1000000 Hz (at the Si570) cannot be made: enter a frequency the Si570 reaches, or 0 "
         "for its start-up frequency."},
        {wspr + "--off x", 1, "beacon: --off 'x' is not a finite number: MHz, a number"},
        {wspr + "--multiplier 0", 1, "beacon: --multiplier '0' is not accepted: a number other than 0"},
        {wspr + "--multiplier 1000", 1,
         "beacon: The Si570 cannot make the WSPR tones at 14097097802.734 to 14097102197.266 Hz with one divider "
         "setting."},
        {"--board-log log.txt set 14M", 1, "--board-log records what the virtual board receives: it needs --demo"},
        {"--demo --board-log= set 14M", 1, "--board-log needs the name of the FILE to write"},
    };
    StopAfterSleeps = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Line);
        board->Log.clear();
        const std::vector<std::string> words = SplitCtlLine(c.Line);
        std::vector<const char*> args;
        for (const std::string& w : words)
            args.push_back(w.c_str());
        Prepare = [](TCtlEnvironment& env) { env.StopRequested = [] { return true; }; };
        const Result r = Run(args);
        EXPECT_EQ(r.Status, c.Status);
        if (c.Status != 0) {
            EXPECT_EQ(r.Err, "quorvexctl: " + c.Err + "\n");
            EXPECT_EQ(std::count_if(board->Log.begin(), board->Log.end(),
                                    [](const TransferRecord& t) { return t.Request == 0x30; }),
                      0);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(File("log.txt")));

    // The board log belongs to the whole batch session, as --demo does.
    Prepare = nullptr;
    StopAfterSleeps = -1;
    Input = "set 14M --board-log log.txt\n";
    EXPECT_EQ(Run({"batch"}).Out, "error 1: --board-log is the whole session's: give it to quorvexctl batch\n");
}

// The symbols printed are the encoder's, both transmissions of a message that
// needs two, from the options or the window's fields kept in the settings
// file; no board is needed.
TEST_F(CtlTest, PrintSymbolsGivesTheEncodersSymbolsAndTouchesNoBoard)
{
    const struct {
        std::vector<const char*> Args;
        std::string Stored;  // the settings file's WSPR lines
        TWsprMessage Message;
    } cases[] = {
        {{"--call", "K1ABC", "--locator", "FN42", "--power", "37"}, "", {"K1ABC", "FN42", 37}},
        {{"--call", "k1abc", "--locator", "fn42", "--power", "0"}, "", {"K1ABC", "FN42", 0}},
        {{"--call", "PJ4/K1ABC", "--locator", "FK52UD", "--power", "60"}, "", {"PJ4/K1ABC", "FK52UD", 60}},
        {{"--call", "K1ABC/P", "--locator", "FN42AX"}, "", {"K1ABC/P", "FN42AX", 37}},
        {{}, "WSPR_Call=G4XYZ\r\nWSPR_Locator=IO91\r\nWSPR_Power=23\r\n", {"G4XYZ", "IO91", 23}},
        {{"--power", "10"}, "WSPR_Call=G4XYZ\r\nWSPR_Locator=IO91WM\r\nWSPR_Power=23\r\n", {"G4XYZ", "IO91WM", 10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message.Call + " " + c.Message.Locator);
        std::ofstream(File("Quorvex.ini"), std::ios::binary)
            << "I2CAddress=85\r\nDevice=VELNOR-I2C\r\nDevSerial=\r\nDevNo=0\r\nMEPT_Text=89\r\n" << c.Stored;
        const std::vector<TWsprTransmission> expected = WsprTransmissions(
            MakeWsprMessage(c.Message.Call, c.Message.Locator, std::to_string(c.Message.PowerDbm)));
        for (const bool json : {false, true}) {
            std::vector<const char*> args{"beacon", "--mode", "wspr", "--print-symbols"};
            args.insert(args.end(), c.Args.begin(), c.Args.end());
            if (json)
                args.push_back("--json");
            const Result r = Run(args);
            EXPECT_EQ(r.Status, 0) << r.Err;
            std::string lines;
            for (const TWsprTransmission& t : expected)
                lines += json ? "{\"message\": \"" + t.Text + "\", \"symbols\": \"" + Digits(t) + "\"}\n"
                              : Digits(t) + "\n";
            EXPECT_EQ(r.Out, lines);
        }
    }
}

// One transmission in the next slot: the off frequency until it starts, each
// of the 162 tones at its symbol's time with the registers of the tone plan,
// the off frequency after it; the line that says it, and the stop.
TEST_F(CtlTest, AWsprBeaconSendsItsSlotsTonesOnTimeAndSaysEachTransmission)
{
    auto board = PlugBoard();
    TDrivenRun run(*board);
    Prepare = [&](TCtlEnvironment& env) { run.Install(env); };
    const Result r = Run({"beacon", "--mode", "wspr", "--call", "K1ABC", "--locator", "FN42", "--dial", "20m",
                          "--every", "1", "--once"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "WSPR beacon \"K1ABC FN42 37\" on 14097100 Hz (dial 14095600 Hz + 1500 Hz) in every slot; off "
              "frequency 200000000 Hz; stop with Ctrl+C\n"
              "1970-01-02T09:20:01.000Z\t1970-01-02T09:21:51.592Z\t14097100 Hz\tK1ABC FN42 37\tsent\n"
              "Stopped; the board is on the off frequency 200000000 Hz\n");
    EXPECT_EQ(r.Err, ClockWarning());

    const TWsprTonePlan tones = PlanWsprTones(WsprToneFrequencies(14095600, 1500), NominalXtalMHz, 0);
    const TWsprTransmission sent = WsprTransmissions(MakeWsprMessage("K1ABC", "FN42", "37"))[0];
    ASSERT_EQ(run.Writes.size(), 1 + 162 + 2u) << "off, the tones, off at the end and at the stop";
    const TRegisterBlock off = RegistersOf(200e6);
    EXPECT_EQ(run.Writes.front().Block, off);
    EXPECT_EQ(run.Writes[163].Block, off);
    EXPECT_EQ(run.Writes.back().Block, off);
    const std::vector<int> indexes = ToneIndexes({run.Writes.begin() + 1, run.Writes.begin() + 163}, tones);
    EXPECT_EQ(indexes, std::vector<int>(sent.Symbols.begin(), sent.Symbols.end()));
    const WsprUtc::time_point start = WsprTransmissionStart(TBeaconDriver::FirstSlot);
    for (int k = 0; k < 162; ++k) {
        const auto due = start + std::chrono::duration_cast<WsprUtc::duration>(k * SymbolLength);
        EXPECT_LE(std::chrono::abs(run.Writes[static_cast<size_t>(k) + 1].At - due), 1us) << "symbol " << k;
    }
}

// SIGINT or SIGTERM in the middle of a transmission: the line says how far
// it got, the board is left on the off frequency, and the status is 0; the
// window's fields kept in the settings file give what the options leave out,
// through the multiplier and offset as set applies them.
TEST_F(CtlTest, AStoppedWsprBeaconEndsOnTheOffFrequencyWithTheStoredFields)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    std::ofstream(File("Quorvex.ini"), std::ios::binary)
        << "I2CAddress=85\r\nDevice=VELNOR-I2C\r\nDevSerial=SN1\r\nDevNo=0\r\nMEPT_Text=89\r\nWSPR_Call=K1ABC\r\n"
           "WSPR_Locator=FN42\r\nWSPR_Power=10\r\nWSPR_Dial=3.5686 (80 m)\r\nWSPR_Audio=1550\r\nWSPR_EveryNth=1\r\n"
           "WSPR_Share=40\r\nWSPR_Every=2\r\nWSPR_Off=50\r\n";
    TDrivenRun run(*board);
    const auto stopAt = TDrivenRun::Into(TBeaconDriver::FirstSlot, 30s);
    Prepare = [&](TCtlEnvironment& env) {
        run.Install(env);
        env.StopRequested = [&] { return run.Clock.Utc() >= stopAt; };
    };
    const Result r = Run({"beacon", "--mode", "wspr", "--multiplier", "4", "--json"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "{\"beacon\": \"wspr\", \"message\": \"K1ABC FN42 10\", \"transmissions\": 1, \"frequency_hz\": 3570150, "
              "\"dial_hz\": 3568600, \"slots\": \"every 2nd slot\", \"off_hz\": 200000000}\n"
              "{\"start\": \"1970-01-02T09:20:01.000Z\", \"end\": \"1970-01-02T09:20:31.037Z\", \"frequency_hz\": "
              "3570150, \"message\": \"K1ABC FN42 10\", \"result\": \"stopped\", \"symbols_sent\": 45, "
              "\"left_out\": 0}\n"
              "{\"stopped_hz\": 200000000}\n");
    std::vector<double> outputs;
    for (const double tone : WsprToneFrequencies(3568600, 1550))
        outputs.push_back(tone * 4);
    const TWsprTonePlan tones = PlanWsprTones({outputs[0], outputs[1], outputs[2], outputs[3]}, NominalXtalMHz, 0);
    ASSERT_EQ(run.Writes.size(), 1 + 45 + 1u);
    const std::vector<int> indexes = ToneIndexes({run.Writes.begin() + 1, run.Writes.end() - 1}, tones);
    EXPECT_EQ(std::count(indexes.begin(), indexes.end(), -1), 0);
    EXPECT_EQ(run.Writes.back().Block, RegistersOf(200e6));
    EXPECT_LE(run.Writes.back().At - stopAt, 100ms) << "a stop is answered within 100 ms";
}

// A stop whose off frequency does not reach the board is not a clean stop,
// though the transmission's own failure was said already.
TEST_F(CtlTest, AWsprBeaconStoppedWhileTheBoardFailsSaysSoWithStatusThree)
{
    auto board = PlugBoard();
    TDrivenRun run(*board);
    const auto failAt = TDrivenRun::Into(TBeaconDriver::FirstSlot, 10s);
    run.Passed = [&] {
        if (run.Clock.Utc() >= failAt)
            board->FailRequest[0x30] = EPIPE;
    };
    Prepare = [&](TCtlEnvironment& env) {
        run.Install(env);
        env.StopRequested = [&] { return run.Clock.Utc() >= failAt + 10s; };
    };
    const Result r = Run({"beacon", "--mode", "wspr", "--call", "K1ABC", "--locator", "FN42", "--every", "1"});
    EXPECT_EQ(r.Status, 3);
    const std::string failed = "quorvexctl: Writing the Si570 registers failed at I2C address 0x55: error sending "
                               "control message: Broken pipe\n";
    EXPECT_EQ(r.Err, ClockWarning() + failed + failed +
                         "quorvexctl: Stopped, but the board did not get the off frequency 200000000 Hz\n");
    EXPECT_TRUE(r.Out.ends_with("\tK1ABC FN42 37\tstopped after symbol 30 of 162\n")) << r.Out;
}

// A board unplugged in the middle of a transmission: that transmission is
// given up, a slot while it is away too, and the first slot after it is back
// is sent whole on the handle opened again; each said once.
TEST_F(CtlTest, AWsprBeaconGivesUpWhileTheBoardIsAwayAndGoesOnWhenItIsBack)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    TDrivenRun run(*board);
    const auto unplugAt = TDrivenRun::Into(TBeaconDriver::FirstSlot, 30s);
    const auto replugAt = TDrivenRun::Into(TBeaconDriver::FirstSlot + 1, 30s);
    run.Passed = [&] {
        if (run.Clock.Utc() >= unplugAt && run.Clock.Utc() < replugAt && Fs.IsPlugged(*board))
            Fs.Unplug(*board);
        if (run.Clock.Utc() >= replugAt && !Fs.IsPlugged(*board))
            Fs.Plug(board);
    };
    Prepare = [&](TCtlEnvironment& env) { run.Install(env); };
    const Result r = Run({"beacon", "--mode", "wspr", "--call", "K1ABC", "--locator", "FN42", "--serial", "SN1",
                          "--every", "1", "--once"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out,
              "WSPR beacon \"K1ABC FN42 37\" on 14097100 Hz (dial 14095600 Hz + 1500 Hz) in every slot; off "
              "frequency 200000000 Hz; stop with Ctrl+C\n"
              "1970-01-02T09:20:01.000Z\t1970-01-02T09:21:51.592Z\t14097100 Hz\tK1ABC FN42 37\tgiven up at symbol 45 "
              "of 162: the board went away\n"
              "1970-01-02T09:22:01.000Z\t1970-01-02T09:23:51.592Z\t14097100 Hz\tK1ABC FN42 37\tgiven up at symbol 1 "
              "of 162: the board went away\n"
              "1970-01-02T09:24:01.000Z\t1970-01-02T09:25:51.592Z\t14097100 Hz\tK1ABC FN42 37\tsent\n"
              "Stopped; the board is on the off frequency 200000000 Hz\n");
    EXPECT_EQ(r.Err, ClockWarning() +
                         "quorvexctl: Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC ! The "
                         "beacon looks for the board every second and goes on in the first slot after it is back.\n"
                         "quorvexctl: Board back: the beacon goes on in its next slot.\n");
    // The whole transmission after the replug, in its slot.
    const WsprUtc::time_point third = WsprTransmissionStart(TBeaconDriver::FirstSlot + 2);
    const auto tones = std::count_if(run.Writes.begin(), run.Writes.end(),
                                     [&](const auto& w) { return w.At >= third && w.Block != RegistersOf(200e6); });
    EXPECT_EQ(tones, 162);
}

// The MEPT beacon sends on the session's kept handle: once it runs, a board
// that could no longer be opened still gets every symbol; a replugged board
// is opened again and gets the rest, its absence said once.
TEST_F(CtlTest, TheMeptBeaconKeepsItsHandleOpenAndFollowsAReplug)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    const auto symbols = [&] {
        return std::count_if(board->Log.begin(), board->Log.end(),
                             [](const TransferRecord& t) { return t.Request == 0x30 && t.Result == 6; });
    };
    const struct {
        const char* Name;
        std::function<void()> AtSleep5;
        int Status;
        std::string Err;
    } cases[] = {
        {"opens fail", [&] { Fs.FailOpen(*board, EACCES); }, 0, ""},
        {"replugged",
         [&] {
             Fs.Unplug(*board);
             Fs.Plug(board);
         },
         0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        board->Log.clear();
        Sleeps = 0;
        StopAfterSleeps = 30;
        Prepare = [&](TCtlEnvironment& env) {
            const auto sleep = env.Sleep;
            env.Sleep = [&, sleep](int ms) {
                sleep(ms);
                if (Sleeps == 5)
                    c.AtSleep5();
            };
        };
        const Result r = Run({"beacon", "89", "--symbol-time", "0.002"});
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_EQ(r.Err, c.Err);
        EXPECT_GE(symbols(), 8) << "symbols went on after sleep 5";
        Fs.FailOpen(*board, 0);
    }
}

// Hex digits of the register block that makes this frequency, as the board log writes bytes.
std::string RegisterHex(double hz)
{
    std::string text;
    for (const uint8_t b : RegistersOf(hz)) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02X", b);
        text += hex;
    }
    return text;
}

// The real program with --demo --board-log, as a script or a service manager
// runs and stops it: the log has a line for every request the board received,
// in time order, up to the end; a beacon stopped by SIGINT or SIGTERM leaves
// the off frequency (the log's last register write) and exits 0, and
// --print-symbols sends the board nothing.
TEST(CtlProcess, TheBoardLogHoldsWhatTheDemoBoardReceivedAndASignalLeavesTheOffFrequency)
{
    const std::vector<std::string> wspr{"beacon", "--mode", "wspr", "--call", "K1ABC", "--locator", "FN42"};
    const auto with = [&](std::vector<std::string> more) {
        more.insert(more.begin(), wspr.begin(), wspr.end());
        return more;
    };
    const struct {
        const char* Name;
        std::vector<std::string> Args;
        int Signal;
        std::string First;         // how standard output begins
        std::string Rest;          // what follows the first line
        std::string LastRegisters; // the last register write; empty: no request at all
    } cases[] = {
        {"set", {"set", "14M"}, 0, "f(SI570) = 14000000 Hz\n", "", RegisterHex(14e6)},
        {"wspr SIGTERM", wspr, SIGTERM, "WSPR beacon \"K1ABC FN42 37\" on 14097100 Hz",
         "Stopped; the board is on the off frequency 200000000 Hz\n", RegisterHex(200e6)},
        {"wspr SIGINT", with({"--off", "10", "--dial", "40m"}), SIGINT,
         "WSPR beacon \"K1ABC FN42 37\" on 7040100 Hz", "Stopped; the board is on the off frequency 10000000 Hz\n",
         RegisterHex(10e6)},
        {"mept SIGINT", {"beacon", "8", "--symbol-time", "0.01"}, SIGINT, "Sending 8 every 10 ms",
         "Stopped; the board is on the off frequency 200000000 Hz\n", RegisterHex(200e6)},
        {"print symbols", with({"--print-symbols"}), 0,
         Digits(WsprTransmissions(MakeWsprMessage("K1ABC", "FN42", "37"))[0]) + "\n", "", ""},
    };
    char dir[] = "/tmp/quorvex-ctl-log-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    const std::string log = std::string(dir) + "/board.log";
    const std::regex form("(\\d+) board=DEMO type=0x[0-9A-F]{2} request=0x([0-9A-F]{2}) value=0x[0-9A-F]{4} "
                          "index=0x[0-9A-F]{4} length=\\d+ result=-?\\d+ bytes=([0-9A-F]*)");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::vector<std::string> args{"--demo", "--board-log", log};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        const TCtlProcessRun run = RunCtlProcess(args, c.Signal, dir);
        EXPECT_EQ(run.Status, 0);
        EXPECT_TRUE(run.First.starts_with(c.First)) << run.First;
        EXPECT_EQ(run.Rest, c.Rest);

        std::ifstream file(log);
        std::string text;
        ASSERT_TRUE(std::getline(file, text));
        EXPECT_TRUE(text.starts_with("# Each request the virtual boards received")) << text;
        long long last = -1;
        std::string lastRegisters;
        while (std::getline(file, text)) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(text, m, form)) << text;
            EXPECT_GE(std::stoll(m[1]), last) << "times in order";
            last = std::stoll(m[1]);
            if (m[2] == "30")
                lastRegisters = m[3];
        }
        EXPECT_EQ(last < 0, c.LastRegisters.empty()) << "requests logged";
        EXPECT_EQ(lastRegisters, c.LastRegisters);
    }
    std::filesystem::remove_all(dir);
}

// A board log that cannot be made is refused before anything runs; one that
// cannot be written to the end (a full disk) fails the command, as standard
// output that cannot be written does, though the board did what it was told.
TEST(CtlProcess, ABoardLogThatCannotBeMadeOrWrittenIsAFileError)
{
    const struct {
        std::string Log;
        std::string Said;
    } cases[] = {
        {"/nonexistent-dir/board.log",
         "quorvexctl: Cannot create the board log /nonexistent-dir/board.log: No such file or directory\n"
         "status 4\n"},
        {"/dev/full", "The board log /dev/full cannot be written: No space left on device; it ends here.\n"
                      "f(SI570) = 14000000 Hz\nstatus 4\n"},
    };
    for (const auto& c : cases) {
        const std::string command = std::string(QUORVEX_CTL_PATH) + " --demo --board-log " + c.Log +
                                    " set 14M 2>&1; echo \"status $?\"";
        FILE* out = ::popen(command.c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::string text;
        char chunk[256];
        while (std::fgets(chunk, sizeof chunk, out))
            text += chunk;
        ::pclose(out);
        EXPECT_EQ(text, c.Said);
    }
}

}  // namespace
