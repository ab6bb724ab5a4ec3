// quorvexctl in-process against the virtual bus: what a script reads on
// standard output and error, the exit status, and what reached the board.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include <QStandardPaths>

#include "CtlFixture.h"
#include "CtlProcess.h"
#include "app/SettingsPath.h"
#include "memory/UIntelHex.h"

namespace {

TEST_F(CtlTest, ScriptsReadResultsAndStatuses)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    board->Eeprom[0x0F] = 1;  // speed grade A
    const std::string port = std::to_string(Fs.DeviceNumber(*board));
    WriteIntelHex(File("ok.hex"), 0, 16, std::vector<uint8_t>(16, 0x42));
    std::ofstream(File("bad.hex")) << "nonsense\n";
    WriteIntelHex(File("one.hex"), 0x1000, 1, std::vector<uint8_t>(0x1001, 0x42));
    const std::string commands = "list, get, set, key, calibration, calibrate, shift, startup, speed-grade, "
                                 "remember, erase, eeprom read, eeprom write, flash, verify, dump, batch, sweep, "
                                 "sleep, beacon, serve, watch, completion";
    const std::string notFound = "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !";
    const struct {
        std::vector<const char*> Args;
        int Status;
        std::string Out;  // the start of standard output
        std::string Err;  // the start of standard error
    } cases[] = {
        {{"--version"}, 0, "quorvexctl 0.1\n", ""},
        {{"--help"}, 0, "Usage: quorvexctl [GLOBAL OPTIONS] COMMAND [ARGUMENTS] [OPTIONS]\n", ""},
        {{"set", "--help"}, 0, "Usage: quorvexctl set FREQ [--multiplier M] [--offset MHZ]\n", ""},
        {{"-h", "shift"}, 0, "Usage: quorvexctl shift up|down [--ppm STEP]\n", ""},
        {{"list"}, 0, "VELNOR-I2C\tport " + port + "\tserial SN1\tquorvex.org\n", ""},
        {{"list", "--json"}, 0,
         "[{\"product\": \"VELNOR-I2C\", \"port\": " + port +
             ", \"serial\": \"SN1\", \"manufacturer\": \"quorvex.org\"}]\n",
         ""},
        {{"set", "14.074M"}, 0, "f(SI570) = 14074000 Hz\n", ""},
        {{"set", "7030k", "--json"}, 0,
         "{\"frequency_hz\": 7030000, \"crystal_mhz\": 114.285, \"speed_grade\": \"A\", \"display_hz\": 7030000, "
         "\"multiplier\": 1, \"offset_mhz\": 0}\n",
         ""},
        // As the main window computes it: f x multiplier + offset (MHz).
        {{"set", "14M", "--multiplier", "4"}, 0, "f = 14000000 Hz, f(SI570) = 56000000 Hz\n", ""},
        {{"set", "5000k", "--offset", "9"}, 0, "f = 5000000 Hz, f(SI570) = 14000000 Hz\n", ""},
        {{"get"}, 0, "f(SI570) = 14000000 Hz\n", ""},
        {{"get", "--multiplier", "4"}, 0, "f = 3500000 Hz, f(SI570) = 14000000 Hz\n", ""},
        {{"get", "--offset", "-1", "--json"}, 0,
         "{\"frequency_hz\": 14000000, \"crystal_mhz\": 114.285, \"speed_grade\": \"A\", \"display_hz\": 15000000, "
         "\"multiplier\": 1, \"offset_mhz\": -1}\n",
         ""},
        {{"key"}, 0, "key up\n", ""},
        {{"key", "--json"}, 0, "{\"key\": \"up\", \"byte\": 32}\n", ""},
        {{"calibration"}, 0, "crystal\t114.285 MHz\nstart-up\t56.32 MHz\nspeed grade\tA\n", ""},
        {{"set", "2G"}, 1, "", "quorvexctl: frequency not supported: 2000000000 Hz\n"},
        {{"set", "2x"}, 1, "",
         "quorvexctl: set: FREQ '2x' is not a frequency: Hz, or with k, M or G (7030k, 14.074M)\n"},
        {{"set", "1M"}, 1, "", "quorvexctl: frequency not supported: 1000000 Hz\n"},
        {{"set"}, 1, "", "quorvexctl: set: FREQ is missing: the frequency f: Hz, or with k, M or G (7030k, 14.074M)\n"},
        {{"set", "14M", "15M"}, 1, "",
         "quorvexctl: set: unexpected argument '15M'; usage: set FREQ [--multiplier M] [--offset MHZ]\n"},
        {{"key", "now"}, 1, "", "quorvexctl: key: unexpected argument 'now'; key takes none\n"},
        {{"set", "14M", "--multiplier", "0"}, 1, "",
         "quorvexctl: set: --multiplier '0' is not accepted: a number other than 0\n"},
        {{"set", "14M", "--offset", "nine"}, 1, "",
         "quorvexctl: set: --offset 'nine' is not a finite number: MHz, a number\n"},
        {{"set", "14M", "--offset"}, 1, "", "quorvexctl: --offset needs a value: MHZ, the offset in MHz; default 0\n"},
        {{"set", "14M", "--json=yes"}, 1, "", "quorvexctl: --json takes no value\n"},
        {{"set", "14M", "--port", "99"}, 2, "", "quorvexctl: " + notFound + "\n"},
        {{"set", "14M", "--port", "256"}, 1, "",
         "quorvexctl: set: --port '256' is not accepted: a USB Port ID, 0 to 255\n"},
        {{"set", "14M", "--serial", "SN2"}, 2, "",
         "quorvexctl: " + notFound +
             " The chosen board (serial SN2) is not connected, but another board is present.\n"},
        {{"set", "14M", "--port", "99", "--json"}, 2, "",
         "{\"error\": \"Could not find USB device \\\"VELNOR-I2C\\\" with vid=$16C0 and pid=$5DC !\", "
         "\"status\": 2}\n"},
        {{"set", "1M", "--json"}, 1, "", "{\"error\": \"frequency not supported: 1000000 Hz\", \"status\": 1}\n"},
        {{"set", "14M", "--interval", "1"}, 1, "",
         "quorvexctl: set: --interval is not an option of set; its options are --multiplier, --offset, besides the "
         "global ones\n"},
        {{"set", "14M", "--frob"}, 1, "",
         "quorvexctl: unknown option --frob; the global options are --json, --demo, --board-log, --product, --port, "
         "--serial, --manufacturer, --help, --version (quorvexctl COMMAND --help lists a command's own)\n"},
        {{"frobnicate"}, 1, "", "quorvexctl: 'frobnicate' is not a command; the commands are: " + commands + "\n"},
        {{"--json", "frobnicate"}, 1, "",
         "{\"error\": \"'frobnicate' is not a command; the commands are: " + commands + "\", \"status\": 1}\n"},
        {{}, 1, "", "quorvexctl: a command is required; the commands are: " + commands + "\n"},
        {{"eeprom"}, 1, "", "quorvexctl: eeprom needs one of: read, write\n"},
        {{"eeprom", "erase", "x.hex"}, 1, "", "quorvexctl: eeprom: 'erase' is not one of: read, write\n"},
        {{"eeprom", "write", "bad.hex"}, 4, "",
         "quorvexctl: Error reading bad.hex line 1: the line does not begin with ':'\n"},
        {{"eeprom", "write", "none.hex"}, 4, "", "quorvexctl: Cannot open file none.hex: No such file or directory\n"},
        {{"eeprom", "write", "none.hex", "--json"}, 4, "",
         "{\"error\": \"Cannot open file none.hex: No such file or directory\", \"status\": 4}\n"},
        {{"flash", "one.hex"}, 0, "Flashed 1 block, 0x1000 to 0x1000\n", ""},
        {{"verify", "one.hex"}, 0, "Compared 1 byte the file defines, 0x1000 to 0x1000: 0 errors\n", ""},
        {{"verify", "one.hex", "--json"}, 0,
         "{\"result\": \"Compared 1 byte the file defines, 0x1000 to 0x1000: 0 errors\", \"compared\": 1}\n", ""},
        {{"verify", "ok.hex"}, 4, "",
         "quorvexctl: ok.hex defines nothing at or above the flashable start 0x1000 to compare\n"},
        {{"shift", "sideways"}, 1, "", "quorvexctl: shift: direction 'sideways' is not accepted: one of up, down\n"},
        {{"shift", "up", "--ppm", "2"}, 1, "",
         "quorvexctl: shift: --ppm '2' is not accepted: ppm, one of 0.1, 1, 10, 100, 1000\n"},
        {{"speed-grade", "D"}, 1, "", "quorvexctl: speed-grade: GRADE 'D' is not accepted: one of A, B, C\n"},
        {{"remember", "yes"}, 1, "", "quorvexctl: remember: STATE 'yes' is not accepted: one of on, off\n"},
        {{"startup", "56.32"}, 1, "",
         "quorvexctl: startup: FREQ '56.32' is not accepted: a frequency the Si570 makes (speed grade A), with its "
         "unit: 56.32M\n"},
        {{"sweep", "14M", "14.1M", "0"}, 1, "", "quorvexctl: sweep: STEP '0' is not accepted: a frequency above 0\n"},
        {{"sweep", "14M", "14.1M", "1k", "--dwell", "0.5"}, 1, "",
         "quorvexctl: sweep: --dwell '0.5' is not accepted: ms, a whole number from 0 to 86400000\n"},
        {{"sleep", "-1"}, 1, "", "quorvexctl: sleep: MS '-1' is not accepted: ms, a whole number from 0 to 86400000\n"},
        {{"completion", "zsh"}, 1, "", "quorvexctl: completion: SHELL 'zsh' is not accepted: one of bash\n"},
        {{"beacon", "--symbol-time", "0"}, 1, "",
         "quorvexctl: beacon: --symbol-time '0' is not accepted: seconds, 0.001 to 86400\n"},
        {{"beacon", "--symbol-time", "abc"}, 1, "",
         "quorvexctl: beacon: --symbol-time 'abc' is not a finite number: seconds, 0.001 to 86400\n"},
        {{"watch", "--interval", "0"}, 1, "",
         "quorvexctl: watch: --interval '0' is not accepted: seconds, 0.01 to 3600\n"},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const char* word : c.Args)
            line += std::string(" ") + word;
        SCOPED_TRACE(line);
        const Result r = Run(c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_TRUE(r.Out.starts_with(c.Out)) << r.Out;
        EXPECT_TRUE(c.Err.empty() ? r.Err.empty() : r.Err.starts_with(c.Err)) << r.Err;
    }
}

TEST_F(CtlTest, SetTunesWithTheBoardsOwnCalibration)
{
    auto board = PlugBoard();
    const TCalibrationWord word = XtalMHzToWord(board->Settings().TrueXtalMHz);
    std::copy(word.begin(), word.end(), board->Eeprom.begin() + 0x02);
    board->Eeprom[0x01] = 0;
    ASSERT_EQ(Run({"set", "10M"}).Status, 0);
    EXPECT_NEAR(board->OutputMHz(), 10.0, 1e-5) << "the stored crystal was used";
    EXPECT_EQ(board->Log.back().Request, 0x30);
}

TEST_F(CtlTest, StoredBoardChoiceIsFoundWhereTheProgramKeepsIt)
{
    auto one = PlugBoard(u"VELNOR-I2C", u"SN1");
    auto two = PlugBoard(u"VELNOR-I2C", u"SN2");
    ::setenv("XDG_CONFIG_HOME", (Dir / "config").c_str(), 1);
    const std::filesystem::path configDir =
        QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation).toStdString();
    const auto tuned = [](const VirtualBoard& b) { return std::abs(b.OutputMHz() - 12.5) < 0.01; };
    // Without a stored choice the library's first board of the product is taken, in the
    // library's order; the stored choice names the other one.
    ASSERT_EQ(Run({"set", "12.5M"}).Status, 0);
    const auto& [unstored, stored] = tuned(*one) ? std::pair(one, two) : std::pair(two, one);
    ASSERT_TRUE(tuned(*unstored) && !tuned(*stored));
    ASSERT_EQ(Run({"set", "10M", "--serial", "SN1"}).Status, 0);
    ASSERT_EQ(Run({"set", "10M", "--serial", "SN2"}).Status, 0);
    const std::string storedChoice = "I2CAddress=85\r\nDevice=VELNOR-I2C\r\nDevSerial=" +
                                     std::string(stored == one ? "SN1" : "SN2") +
                                     "\r\nDevNo=" + std::to_string(Fs.DeviceNumber(*stored)) + "\r\n";
    bool exeWritable = true;
    ExecutableDirHook = [this] { return (Dir / "bin").string(); };
    DirWritableHook = [&exeWritable](const std::string&) { return exeWritable; };
    const struct {
        const char* Name;
        bool ExeWritable;
        bool InWorking;
        bool InConfig;
        bool StoredChosen;
    } cases[] = {
        {"file in the working directory", true, true, false, true},
        {"build folder: the config folder is not the program's", true, false, true, false},
        {"installed: the config folder when the working directory has none", false, false, true, true},
        {"installed: the working directory first", false, true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove(Dir / "Quorvex.ini");
        std::filesystem::remove_all(configDir);
        exeWritable = c.ExeWritable;
        if (c.InWorking)
            std::ofstream(Dir / "Quorvex.ini", std::ios::binary) << storedChoice;
        if (c.InConfig) {
            std::filesystem::create_directories(configDir);
            std::ofstream(configDir / "Quorvex.ini", std::ios::binary) << storedChoice;
        }
        ASSERT_EQ(Run({"set", "12.5M"}).Status, 0);
        EXPECT_EQ(tuned(*stored), c.StoredChosen);
        EXPECT_EQ(tuned(*unstored), !c.StoredChosen);
        ASSERT_EQ(Run({"set", "10M", "--serial", "SN1"}).Status, 0);
        ASSERT_EQ(Run({"set", "10M", "--serial", "SN2"}).Status, 0);
    }
    ExecutableDirHook = nullptr;
    DirWritableHook = nullptr;
    ::unsetenv("XDG_CONFIG_HOME");
}

// The board options narrow the choice; none other is taken in their place.
TEST_F(CtlTest, EachBoardOptionRestrictsTheChoice)
{
    auto ours = PlugBoard(u"VELNOR-I2C", u"SN1");
    VirtualBoard::Config config;
    config.Manufacturer = u"other.org";
    config.Serial = u"SN2";
    auto theirs = std::make_shared<VirtualBoard>(config);
    const std::string theirPort = std::to_string(Fs.Plug(theirs));
    const struct {
        std::vector<const char*> Options;
        int Status;
        bool Ours;
        bool Theirs;
    } cases[] = {
        {{"--manufacturer", "other.org"}, 0, false, true},
        {{"--manufacturer", QUORVEX_BOARD_MANUFACTURER}, 0, true, false},
        {{"--manufacturer", "nobody"}, 2, false, false},
        {{"--serial", "SN2"}, 0, false, true},
        {{"--serial", "SN2", "--manufacturer", QUORVEX_BOARD_MANUFACTURER}, 2, false, false},
        {{"--port", theirPort.c_str()}, 0, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Options[0]) + " " + c.Options[1]);
        ours->Log.clear();
        theirs->Log.clear();
        std::vector<const char*> args{"set", "10M"};
        args.insert(args.end(), c.Options.begin(), c.Options.end());
        EXPECT_EQ(Run(args).Status, c.Status);
        const auto tuned = [](const VirtualBoard& b) {
            return std::any_of(b.Log.begin(), b.Log.end(), [](const TransferRecord& t) { return t.Request == 0x30; });
        };
        EXPECT_EQ(tuned(*ours), c.Ours);
        EXPECT_EQ(tuned(*theirs), c.Theirs);
    }
}

// A board this user may not use is said by list too, with status 3.
TEST_F(CtlTest, ListSaysABoardIsThereThatMayNotBeUsed)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    Fs.SetReadOnly(*board, true);
    const Result r = Run({"list"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err, "quorvexctl: Cannot use the board: error sending control message: Operation not permitted. The "
                     "board is present but this user may not use it: install the udev rule 60-quorvex.rules (see the "
                     "README), then unplug and replug the board.\n");
    Fs.SetReadOnly(*board, false);
    EXPECT_EQ(Run({"list"}).Status, 0);
}

// What a supervisor reads: a line when the board is first looked for, and
// one each time it goes or comes back; a stop ends it with status 0.
TEST_F(CtlTest, WatchSaysWhenTheBoardGoesAndComesBack)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    const int first = Fs.DeviceNumber(*board);
    auto other = PlugBoard(u"VELNOR-I2C", u"SN2");
    // What happens between one look and the next.
    const std::vector<std::function<void()>> between = {
        [&] { Fs.Unplug(*board); },
        [] {},
        [&] { Fs.Plug(board); },
        [&] {  // replugged between two looks: back under a new number
            Fs.Unplug(*board);
            Fs.Plug(board);
        },
        [&] { Fs.Unplug(*other); },
    };
    size_t looks = 0;
    std::vector<int> ports;
    std::ostringstream out, err;
    TCtlEnvironment env{out, err};
    env.StopRequested = [&] { return looks > between.size(); };
    // Each wait covers what is left of the interval, so one wait follows each look.
    env.Sleep = [&](int ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        if (looks < between.size())
            between[looks]();
        ports.push_back(Fs.DeviceNumber(*board));
        ++looks;
    };
    ResetDeviceLinkValues();
    const char* args[] = {"quorvexctl", "watch", "--serial", "SN1", "--interval", "0.01"};
    EXPECT_EQ(RunQuorvexCtl(6, args, env), 0);
    ASSERT_EQ(ports.size(), between.size() + 1);
    EXPECT_EQ(out.str(), "present\tVELNOR-I2C\tport " + std::to_string(first) + "\tserial SN1\n" +
                             "gone\tThe chosen board (serial SN1) is not connected, but another board is present.\n" +
                             "back\tVELNOR-I2C\tport " + std::to_string(ports[2]) + "\tserial SN1\n" +
                             "back\tVELNOR-I2C\tport " + std::to_string(ports[3]) + "\tserial SN1\n");
    EXPECT_EQ(err.str(), "");
}

TEST_F(CtlTest, EepromWriteBacksUpWritesAndVerifies)
{
    auto board = PlugBoard();
    board->Eeprom.fill(0x11);
    std::vector<uint8_t> image(512);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i);
    WriteIntelHex(File("new.hex"), 0, 512, image);
    const Result r = Run({"eeprom", "write", "new.hex"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(r.Out.starts_with("EEPROM written and verified. Backup: ")) << r.Out;
    EXPECT_TRUE(std::equal(image.begin(), image.end(), board->Eeprom.begin()));
    const std::string backup = r.Out.substr(r.Out.find(": ") + 2, r.Out.size() - r.Out.find(": ") - 3);
    std::vector<uint8_t> old(512);
    int lowest = 0, span = 0;
    ASSERT_GE(ReadIntelHex(backup, lowest, span, old), 0);
    EXPECT_EQ(old, std::vector<uint8_t>(512, 0x11));

    Terminal = true;
    const Result shown = Run({"eeprom", "write", "new.hex"});
    EXPECT_TRUE(shown.Err.ends_with("\r\033[KVerified [" + std::string(30, '#') + "] 1536/1536\n")) << shown.Err;
    Terminal = false;

    EXPECT_EQ(Run({"eeprom", "read", "back.hex"}).Status, 0);
    std::vector<uint8_t> back(512);
    ASSERT_GE(ReadIntelHex(File("back.hex"), lowest, span, back), 0);
    EXPECT_EQ(back, image);

    board->FailAfter = 100;  // the backup read fails: nothing is written
    board->Eeprom.fill(0x22);
    const Result failed = Run({"eeprom", "write", "new.hex"});
    EXPECT_EQ(failed.Status, 3);
    EXPECT_EQ(failed.Err, "quorvexctl: Reading EEPROM failed at address 0x064: error sending control message: "
                          "Broken pipe; nothing was written\n");
    EXPECT_TRUE(std::all_of(board->Eeprom.begin(), board->Eeprom.end(), [](uint8_t b) { return b == 0x22; }));

    // A board this user may not use is not "not found": status 3 and the permission text.
    board->FailAfter = -1;
    Fs.SetReadOnly(*board, true);
    const Result denied = Run({"eeprom", "write", "new.hex"});
    EXPECT_EQ(denied.Status, 3);
    EXPECT_EQ(denied.Err, "quorvexctl: Cannot use the board: error sending control message: Operation not permitted. "
                          "The board is present but this user may not use it: install the udev rule 60-quorvex.rules "
                          "(see the README), then unplug and replug the board.\n");
    Fs.SetReadOnly(*board, false);
    Fs.Unplug(*board);
    EXPECT_TRUE(Run({"eeprom", "write", "new.hex"}).Err.ends_with("pid=$5DC !\n")) << "said only while it is so";
}

TEST_F(CtlTest, FlashProgramsAboveTheBootSectionAndVerifyAgrees)
{
    auto board = PlugBoard();
    for (int a = 0; a < 0x1000; ++a)  // a bootloader, unlike the demo's blank one
        board->Flash[static_cast<size_t>(a)] = static_cast<uint8_t>(a * 7 + 3);
    const std::string firmware = QUORVEX_FLASH_DATA "/blink.hex";
    const Result r = Run({"flash", firmware.c_str()});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Out, "Flashed 3 blocks, 0x1000 to 0x1095\n");
    EXPECT_EQ(board->BootWrites, 0);
    const Result verified = Run({"verify", firmware.c_str()});
    EXPECT_EQ(verified.Status, 0);
    EXPECT_EQ(verified.Out, "Compared 150 bytes the file defines, 0x1000 to 0x1095: 0 errors\n");
    board->Flash[0x1000] ^= 1;
    board->Flash[0x1095] ^= 1;
    board->Flash[0x1096] ^= 1;  // beyond the file: not compared
    const Result differs = Run({"verify", firmware.c_str()});
    EXPECT_EQ(differs.Status, 5);
    EXPECT_EQ(differs.Out, "error at address 1000\nerror at address 1095\n");
    EXPECT_EQ(differs.Err, "quorvexctl: Compared 150 bytes the file defines, 0x1000 to 0x1095: 2 errors\n");
    EXPECT_EQ(Run({"dump", "flash.hex"}).Status, 0);
    std::vector<uint8_t> dump(8192);
    int lowest = 0, span = 0;
    ASSERT_GE(ReadIntelHex(File("flash.hex"), lowest, span, dump), 0);
    EXPECT_TRUE(std::equal(dump.begin(), dump.end(), board->Flash.begin()));

    board->FailRequest[0xEF] = EPROTO;
    const Result failed = Run({"flash", firmware.c_str()});
    EXPECT_EQ(failed.Status, 3);
    EXPECT_EQ(failed.Err, "quorvexctl: Asking for the flashable start failed: error sending control message: "
                          "Protocol error\n");
}

TEST_F(CtlTest, BeaconStepsOnScheduleAndLeavesTheOffFrequency)
{
    auto board = PlugBoard();
    StopAfterSleeps = 30;
    const Result r = Run({"beacon", "8X9", "--symbol-time", "0.001", "--spacing", "10", "--off", "20", "--frequency",
                          "10M"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(r.Out.ends_with("Stopped; the board is on the off frequency 20000000 Hz\n")) << r.Out;
    std::vector<double> sent;
    for (const TransferRecord& t : board->Log)
        if (t.Request == 0x30) {
            VirtualBoard copy{board->Settings()};
            std::copy(t.Bytes.begin(), t.Bytes.end(), copy.Registers.begin());
            sent.push_back(std::round(copy.OutputMHz() * 114.285 / 114.2852 * 1e6));
        }
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(std::vector<double>(sent.begin(), sent.begin() + 4),
              (std::vector<double>{10000000, 20000000, 10000010, 10000000})) << "8, X, 9, then again";
    EXPECT_EQ(sent.back(), 20000000);

    // The vendor transfers that read the board's calibration come first.
    const auto firstSymbol = std::find_if(board->Log.begin(), board->Log.end(),
                                          [](const TransferRecord& t) { return t.Request == 0x30; });
    const int calibration = static_cast<int>(std::count_if(board->Log.begin(), firstSymbol, [](const TransferRecord& t) {
        return (t.RequestType & 0x60) == 0x40;
    }));
    Fs.UnplugAfter(*board, calibration + 2);  // a board that goes away is said once, not on every symbol
    StopAfterSleeps = Sleeps + 30;
    const Result lost = Run({"beacon", "89", "--symbol-time", "0.001"});
    EXPECT_EQ(lost.Status, 3);
    // The kept handle looks for the board once more before it says it is gone.
    EXPECT_EQ(lost.Err, "quorvexctl: Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !\n");
}

// The real binary, as a script starts it: SIGTERM ends the beacon with the
// off frequency sent and status 0.
TEST(CtlProcess, SigtermEndsABeaconCleanly)
{
    const TCtlProcessRun run = RunCtlProcess({"--demo", "beacon", "8", "--symbol-time", "0.01"}, SIGTERM);
    EXPECT_TRUE(run.First.starts_with("Sending 8 every 10 ms")) << run.First;
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Rest, "Stopped; the board is on the off frequency 200000000 Hz\n");
}

}  // namespace
