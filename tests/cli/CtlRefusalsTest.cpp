// What quorvexctl refuses before it changes the board: hostile files for the
// EEPROM and the flash, beacons the board cannot send, and output a script
// would never read.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include "ControlHook.h"
#include "CtlFixture.h"
#include "tests/common/HostileFiles.h"

namespace {

struct HostileCommand {
    const char* Name;
    std::vector<const char*> Args;  // "FILE" stands for the file
    std::function<std::string(const std::filesystem::path& dir)> Make;
    int Status;
    std::string Err;  // standard error; <f> is the file's path
    // Written: what the board's EEPROM holds afterwards (from the 0x11
    // pattern, the file's 0x22 bytes where it wrote). Refused rows change nothing.
    std::function<uint8_t(int address)> Eeprom = {};
};

const std::string NotWhole =
    ". Nothing was written; --partial writes the bytes it holds and keeps the board's own\n";

TEST_F(CtlTest, HostileFilesChangeNothingOnTheBoard)
{
    const auto write = [](const char* name, std::string text) {
        return [name, text](const std::filesystem::path& dir) { return WriteText(dir / name, text); };
    };
    const auto noData = "quorvexctl: <f> defines no byte of the EEPROM's 0x000-0x1FF: it holds no data\n";
    const auto types = " is not supported: only 16-bit addresses (data and end records)\n";
    const HostileCommand rows[] = {
        {"empty", {"eeprom", "write", "FILE"}, write("empty.hex", ""), 4, noData},
        {"one byte", {"eeprom", "write", "FILE"}, write("one.hex", HexLine(0, {0x22}) + HexEnd), 4,
         "quorvexctl: <f> does not cover the whole EEPROM: it leaves out 0x001-0x1FF" + NotWhole},
        {"one byte, partial write", {"eeprom", "write", "--partial", "FILE"},
         write("one.hex", HexLine(0, {0x22}) + HexEnd), 0, "", [](int a) { return a == 0 ? 0x22 : 0x11; }},
        {"lower half", {"eeprom", "write", "FILE"}, write("lower.hex", HexLines(0, 256, 0x22) + HexEnd), 4,
         "quorvexctl: <f> does not cover the whole EEPROM: it leaves out 0x100-0x1FF" + NotWhole},
        {"lower half, partial write", {"eeprom", "write", "--partial", "FILE"},
         write("lower.hex", HexLines(0, 256, 0x22) + HexEnd), 0, "", [](int a) { return a < 256 ? 0x22 : 0x11; }},
        {"lower half and beyond", {"eeprom", "write", "FILE"},
         write("gaps.hex", HexLines(0, 256, 0x22) + HexLine(0x300, {1}) + HexEnd), 4,
         "quorvexctl: <f> does not cover the whole EEPROM: it leaves out 0x100-0x1FF; beyond 0x1FF, not written: "
         "line 17 (0x300)" + NotWhole},
        {"only outside", {"eeprom", "write", "FILE"}, write("outside.hex", HexLines(0x300, 16, 0x22) + HexEnd), 4,
         "quorvexctl: <f> defines no byte of the EEPROM's 0x000-0x1FF; its records lie beyond it: line 1 "
         "(0x300-0x30F)\n"},
        {"whole and beyond", {"eeprom", "write", "FILE"},
         write("beyond.hex", HexLines(0, 512, 0x22) + HexLine(0x200, {1}) + HexEnd), 0,
         "quorvexctl: <f>: beyond 0x1FF, not written: line 33 (0x200)\n", [](int) { return 0x22; }},
        {"overlapping records", {"eeprom", "write", "FILE"},
         write("overlap.hex", HexLines(0, 512, 0x33) + HexLines(0, 512, 0x22) + HexEnd), 0, "",
         [](int) { return 0x22; }},
        {"bad checksum", {"eeprom", "write", "FILE"},
         write("sum.hex", HexLines(0, 16, 0x22) + HexLine(0x10, {1}, 0, 1) + HexEnd), 4,
         "quorvexctl: Error reading <f> line 2: checksum mismatch\n"},
        {"type 02 record", {"eeprom", "write", "FILE"},
         write("t02.hex", HexLine(0, {0x10, 0}, 2) + HexLines(0, 512, 0x22) + HexEnd), 4,
         std::string("quorvexctl: Error reading <f> line 1: record type 02 (extended segment address)") + types},
        {"type 04 record", {"eeprom", "write", "FILE"},
         write("t04.hex", HexLines(0, 512, 0x22) + HexLine(0, {0, 1}, 4) + HexEnd), 4,
         std::string("quorvexctl: Error reading <f> line 33: record type 04 (extended linear address)") + types},
        {"directory", {"eeprom", "write", "FILE"}, [](const std::filesystem::path& dir) { return dir.string(); }, 4,
         "quorvexctl: Cannot read file <f>: Is a directory\n"},
        {"unreadable", {"eeprom", "write", "FILE"},
         [](const std::filesystem::path& dir) { return MakeUnreadable(dir / "locked.hex"); }, 4, "unreadable"},
        {"FIFO without a writer", {"eeprom", "write", "FILE"},
         [](const std::filesystem::path& dir) { return MakeFifo(dir / "fifo.hex"); }, 4, noData},
        {"huge", {"eeprom", "write", "FILE"},
         [](const std::filesystem::path& dir) { return MakeHuge(dir / "huge.hex"); }, 4,
         "quorvexctl: Cannot read file <f>" + HugeError + "\n"},
        {"flash beyond the chip", {"flash", "FILE"}, write("high.hex", HexLines(0xF000, 16, 0x22) + HexEnd), 4,
         "quorvexctl: <f> reaches past the chip's 8 KiB of flash (0x0000-0x1FFF): its last address is 0xF00F, on "
         "line 1 (0xF000-0xF00F)\n"},
        {"flash of the boot section only", {"flash", "FILE"}, write("boot.hex", HexLines(0, 0x1000, 0x22) + HexEnd),
         4, "quorvexctl: <f> holds nothing to program at or above the flashable start 0x1000\n"},
        {"flash of an empty file", {"flash", "FILE"}, write("empty.hex", ""), 4,
         "quorvexctl: <f> holds nothing to program at or above the flashable start 0x1000\n"},
        {"verify beyond the chip", {"verify", "FILE"}, write("big.hex", HexLines(0x1000, 0x1001, 0x22) + HexEnd), 4,
         "quorvexctl: <f> reaches past the chip's 8 KiB of flash (0x0000-0x1FFF): its last address is 0x2000, on "
         "line 257 (0x2000)\n"},
        {"verify with a bad checksum", {"verify", "FILE"},
         write("sum.hex", HexLine(0x1000, {1}, 0, 0x80) + HexEnd), 4,
         "quorvexctl: Error reading <f> line 1: checksum mismatch\n"},
    };
    auto board = PlugBoard();
    int refused = 0;
    for (const HostileCommand& row : rows) {
        SCOPED_TRACE(row.Name);
        board->Eeprom.fill(0x11);
        const auto flash = board->Flash;
        std::filesystem::remove_all(Dir / "data");
        const std::string path = row.Make(Dir);
        std::vector<const char*> args = row.Args;
        std::replace_if(args.begin(), args.end(), [](const char* a) { return std::string(a) == "FILE"; },
                        path.c_str());
        board->Log.clear();
        const Result r = Run(args);

        EXPECT_EQ(r.Status, row.Status);
        std::string err = row.Err == "unreadable" ? "quorvexctl: " + UnreadableError(path) + "\n" : row.Err;
        for (size_t at; (at = err.find("<f>")) != std::string::npos;)
            err.replace(at, 3, path);
        EXPECT_EQ(r.Err, err);
        EXPECT_EQ(board->Flash, flash);
        EXPECT_EQ(board->BootWrites, 0);
        const bool wrote = std::any_of(board->Log.begin(), board->Log.end(), [](const TransferRecord& t) {
            return t.RequestType == 0x40 && (t.Request == 0x10 || t.Request == 0xEE);
        });
        if (!row.Eeprom) {
            ++refused;
            EXPECT_FALSE(wrote) << "refused: nothing is written";
            EXPECT_TRUE(std::all_of(board->Eeprom.begin(), board->Eeprom.end(), [](uint8_t b) { return b == 0x11; }));
            EXPECT_FALSE(std::filesystem::exists(Dir / "data")) << "no backup was needed";
            continue;
        }
        EXPECT_TRUE(r.Out.starts_with("EEPROM written and verified. Backup: ")) << r.Out;
        for (int a = 0; a < 512; ++a)
            ASSERT_EQ(board->Eeprom[static_cast<size_t>(a)], row.Eeprom(a)) << "address " << a;
    }
    EXPECT_EQ(refused, 17);
}

TEST_F(CtlTest, FirmwareThatCannotFlashItselfIsNeitherFlashedNorVerified)
{
    VirtualBoard::Config config = MakeBoard()->Settings();
    config.FlashableStart = 0x10FF;  // the low byte 0xFF: no self-flashing
    auto board = std::make_shared<VirtualBoard>(config);
    Fs.Plug(board);
    WriteText(Dir / "app.hex", HexLines(0x1100, 64, 0x22) + HexEnd);
    for (const char* command : {"flash", "verify"}) {
        board->Log.clear();
        const Result r = Run({command, "app.hex"});
        EXPECT_EQ(r.Status, 3) << command;
        EXPECT_EQ(r.Err, "quorvexctl: unsupported firmware: the board cannot flash itself\n") << command;
        EXPECT_EQ(std::count_if(board->Log.begin(), board->Log.end(),
                                [](const TransferRecord& t) { return t.Request == 0xEE || t.Request == 0xFE; }),
                  0)
            << command;
    }
}

TEST_F(CtlTest, EepromWriteThatDoesNotVerifyExitsFive)
{
    auto board = PlugBoard();
    WriteText(Dir / "new.hex", HexLines(0, 512, 0x22) + HexEnd);
    VendorTransferHook = [](TVendorTransfer& t) {
        if (t.Request == 0x10 && t.Value == 0x1A)
            t.Index = 0x23;  // the board stores something else there
    };
    const Result r = Run({"eeprom", "write", "new.hex"});
    VendorTransferHook = nullptr;
    EXPECT_EQ(r.Status, 5);
    EXPECT_EQ(r.Out, "");
    EXPECT_TRUE(r.Err.starts_with("quorvexctl: Verification failed: the board differs at 0x01A. Backup: ")) << r.Err;
}

struct BeaconRefusal {
    std::vector<const char*> Args;
    bool GradeA;  // else the board's speed grade is C
    int Status;
    const char* Err;
};

TEST_F(CtlTest, BeaconsTheBoardCannotSendAreRefusedBeforeAnythingIsSent)
{
    const BeaconRefusal rows[] = {
        {{"beacon", "89", "--off", "-5"}, true, 1,
         "quorvexctl: Beacon refused, nothing sent: the off frequency gives -5000000 Hz at the Si570, not a positive "
         "frequency\n"},
        {{"beacon", "89", "--off", "0"}, true, 1,
         "quorvexctl: Beacon refused, nothing sent: the off frequency gives 0 Hz at the Si570, not a positive "
         "frequency\n"},
        {{"beacon", "89", "--off", "1e400"}, true, 1,
         "quorvexctl: beacon: --off '1e400' is not a finite number: MHz, a number\n"},
        {{"beacon", "89", "--frequency", "1M"}, true, 1,
         "quorvexctl: Beacon refused, nothing sent: symbol 8 gives 1000000 Hz at the Si570, beyond its reach (speed "
         "grade A)\n"},
        {{"beacon", "0F", "--spacing", "1e308"}, true, 1,
         "quorvexctl: Beacon refused, nothing sent: symbol 0 gives -INF Hz at the Si570, not a finite frequency\n"},
        {{"beacon", "8", "--frequency", "300M", "--off", "14"}, false, 1,
         "quorvexctl: Beacon refused, nothing sent: symbol 8 gives 300000000 Hz at the Si570, beyond its reach "
         "(speed grade C)\n"},
        {{"beacon", "8", "--frequency", "300M", "--off", "14"}, true, 0, ""},
        // Only what the code sends counts: a skipped digit and a length are no symbols.
        {{"beacon", "8P0S0", "--spacing", "2000000", "--off", "14"}, true, 0, ""},
        {{"beacon", "80", "--spacing", "2000000", "--off", "14"}, true, 1,
         "quorvexctl: Beacon refused, nothing sent: symbol 0 gives -6000000 Hz at the Si570, not a positive "
         "frequency\n"},
    };
    auto board = PlugBoard();
    for (const BeaconRefusal& row : rows) {
        std::vector<const char*> args = row.Args;
        args.insert(args.end(), {"--symbol-time", "0.001"});
        SCOPED_TRACE(std::string(row.Args[1]) + " " + row.Args[2] + " " + row.Args[3]);
        board->Eeprom[0x0F] = row.GradeA ? 1 : 0xFF;
        board->Log.clear();
        StopAfterSleeps = Sleeps + 5;
        const Result r = Run(args);
        EXPECT_EQ(r.Status, row.Status);
        EXPECT_EQ(r.Err, row.Err);
        const bool sent = std::any_of(board->Log.begin(), board->Log.end(),
                                      [](const TransferRecord& t) { return t.Request == 0x30; });
        EXPECT_EQ(sent, row.Status == 0);
        if (row.Status != 0) {
            EXPECT_EQ(r.Out, "") << "refused before it starts";
        }
    }
}

// The real binary with its standard output on a full device, as a script's
// redirection may leave it.
TEST(CtlProcess, AFailedWriteToStandardOutputExitsFour)
{
    for (const std::vector<const char*>& args : {std::vector<const char*>{"list", "--json"},
                                                  std::vector<const char*>{"calibration"}}) {
        int errPipe[2];
        ASSERT_EQ(::pipe(errPipe), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const int full = ::open("/dev/full", O_WRONLY);
            ::dup2(full, STDOUT_FILENO);
            ::dup2(errPipe[1], STDERR_FILENO);
            ::close(errPipe[0]);
            std::vector<const char*> argv{"quorvexctl", "--demo"};
            argv.insert(argv.end(), args.begin(), args.end());
            argv.push_back(nullptr);
            ::execv(QUORVEX_CTL_PATH, const_cast<char* const*>(argv.data()));
            ::_exit(127);
        }
        ::close(errPipe[1]);
        std::string err;
        char chunk[256];
        for (ssize_t got; (got = ::read(errPipe[0], chunk, sizeof chunk)) > 0;)
            err.append(chunk, static_cast<size_t>(got));
        ::close(errPipe[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 4) << args[0] << " " << status;
        const std::string text = "cannot write to standard output: No space left on device";
        EXPECT_EQ(err, args.back() == std::string("--json") ? "{\"error\": \"" + text + "\", \"status\": 4}\n"
                                                            : "quorvexctl: " + text + "\n")
            << args[0];
    }
}

}  // namespace
