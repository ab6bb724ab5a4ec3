// What the setup dialog does to the board, from the command line: the same
// requests, checks and texts, what the board holds afterwards and what it
// makes.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include "ControlHook.h"
#include "CtlFixture.h"
#include "memory/UIntelHex.h"
#include "support/NumberText.h"
#include "usb/Si570.h"

namespace {

// The values of the requests with this code, in order.
std::vector<int> Values(const VirtualBoard& board, int request)
{
    std::vector<int> values;
    for (const TransferRecord& t : board.Log)
        if (t.Request == request && (t.RequestType & 0x60) == 0x40)
            values.push_back(t.Value);
    return values;
}

double StoredCrystal(const VirtualBoard& board)
{
    TCalibrationWord word;
    std::copy_n(board.Eeprom.begin() + 2, 4, word.begin());
    return XtalWordToMHz(word);
}

// The remember setting comes back as it was: on (the Si570's address in
// EEPROM byte 6) or off; the board ends on what it made before, now with the
// crystal calibrated, so a 14 MHz set by the nominal crystal becomes 14 MHz.
TEST_F(CtlTest, CalibrateFindsTheCrystalAndKeepsTheBoardsSettings)
{
    auto board = PlugBoard();
    for (const bool remember : {false, true}) {
        SCOPED_TRACE(remember ? "remembers" : "forgets");
        board->Eeprom.fill(0xFF);
        ASSERT_EQ(Run({"remember", remember ? "on" : "off"}).Status, 0);
        ASSERT_EQ(Run({"set", "14M"}).Status, 0);
        EXPECT_GT(std::abs(board->OutputMHz() - 14) * 1e6, 20) << "the nominal crystal is 1.7 ppm off";
        board->Log.clear();
        const Result r = Run({"calibrate"});
        EXPECT_EQ(r.Status, 0) << r.Err;
        EXPECT_TRUE(r.Out.starts_with("crystal frequency = 114.2852")) << r.Out;
        EXPECT_NEAR(StoredCrystal(*board), 114.2852, 1e-6);
        EXPECT_EQ(board->Eeprom[1], 0) << "calibrated";
        EXPECT_EQ(board->Eeprom[6], remember ? 0x55 : 0xFF);
        EXPECT_EQ(Values(*board, 0x41), (std::vector<int>{255, remember ? 0x55 : 255}));
        EXPECT_NEAR(board->OutputMHz(), 14, 1e-6);
        // The zero block before the read: the Si570 at its factory setting.
        const auto zero = std::find_if(board->Log.begin(), board->Log.end(), [](const TransferRecord& t) {
            return t.Request == 0x30 && t.Bytes == std::vector<uint8_t>(6, 0);
        });
        ASSERT_NE(zero, board->Log.end());
        const auto next = std::find_if(std::next(zero), board->Log.end(),
                                       [](const TransferRecord& t) { return (t.RequestType & 0x60) == 0x40; });
        ASSERT_NE(next, board->Log.end());
        EXPECT_EQ(next->Request, 0x3F) << "the registers read next";
    }
}

struct CalibrationFault {
    const char* Name;
    double FactoryMHz;  // what the chip's start-up registers give
    std::function<void(VirtualBoard&)> Make;
    int Status;
    std::string Err;
};

// A calibration that does not complete stores no crystal, puts the remember
// setting back and leaves the board on what it made.
TEST_F(CtlTest, ACalibrationThatDoesNotCompleteChangesNothing)
{
    bool failedOnce = false;
    const CalibrationFault faults[] = {
        // The board holds no start-up frequency of its own: 56.32 is taken.
        {"a start-up frequency that is not the chip's", 10, [](VirtualBoard&) {}, 1,
         "quorvexctl: Warning: found crystal not in 110...120MHz! Wrong factory startup frequency selected! Startup "
         "frequency must be near 10.00 MHz (quorvexctl startup FREQ stores it)\n"},
        {"the register read fails", 56.32, [](VirtualBoard& b) { b.FailRequest[0x3F] = EPIPE; }, 3,
         "quorvexctl: Reading the Si570 registers failed at I2C address 0x55: error sending control message: Broken "
         "pipe\n"},
        {"the crystal cannot be stored", 56.32,
         [&](VirtualBoard&) {
             VendorTransferHook = [&](TVendorTransfer& t) {
                 if (t.Request == 0x10 && t.Value == 0x02 && !failedOnce) {
                     t.Value = 0x300;  // beyond the EEPROM: the board stalls, once
                     failedOnce = true;
                 }
             };
         },
         3, "quorvexctl: Writing EEPROM failed at address 0x002: error sending control message: Broken pipe\n"},
    };
    for (const CalibrationFault& fault : faults) {
        SCOPED_TRACE(fault.Name);
        Fs.Clear();
        VirtualBoard::Config config = MakeBoard()->Settings();
        config.StartupMHz = fault.FactoryMHz;
        auto board = std::make_shared<VirtualBoard>(config);
        SelUsbPortId = static_cast<uint8_t>(Fs.Plug(board));
        board->Eeprom[6] = 0x55;  // remembers its last frequency
        ASSERT_EQ(Run({"set", "14M"}).Status, 0);
        const auto registers = board->Registers;
        fault.Make(*board);
        const Result r = Run({"calibrate"});
        board->FailRequest.clear();
        VendorTransferHook = nullptr;
        EXPECT_EQ(r.Status, fault.Status);
        EXPECT_EQ(r.Err, fault.Err);
        EXPECT_EQ(r.Out, "");
        EXPECT_TRUE(std::all_of(board->Eeprom.begin() + 1, board->Eeprom.begin() + 6,
                                [](uint8_t b) { return b == 0xFF; }))
            << "no crystal stored";
        EXPECT_EQ(board->Eeprom[6], 0x55) << "remembers again";
        EXPECT_EQ(board->Registers, registers) << "back on what it made";
    }
}

// Down lowers the output by the step (the crystal taken as larger), up
// raises it; the word on the board and the frequency it makes follow.
TEST_F(CtlTest, ShiftMovesTheCrystalByTheDialogsSteps)
{
    auto board = PlugBoard();
    const struct {
        const char* Direction;
        const char* Ppm;
        double Factor;
    } steps[] = {
        {"down", "1000", 1.001}, {"up", "1000", 0.999}, {"down", "0.1", 1.0000001}, {"up", "10", 0.99999},
    };
    double crystal = NominalXtalMHz;
    ASSERT_EQ(Run({"set", "14M"}).Status, 0);
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.Direction) + " " + s.Ppm);
        const double output = board->OutputMHz();
        const Result r = Run({"shift", s.Direction, "--ppm", s.Ppm});
        EXPECT_EQ(r.Status, 0) << r.Err;
        // From the crystal the board holds: its word keeps 24 bits of fraction.
        const double shifted = crystal * s.Factor;
        EXPECT_EQ(r.Out, "Calibration and output frequency shifted successfully! crystal frequency = " +
                             FormatGeneral(shifted) + " MHz\n");
        crystal = XtalWordToMHz(XtalMHzToWord(shifted));
        EXPECT_EQ(StoredCrystal(*board), crystal);
        EXPECT_NEAR(board->OutputMHz() / output, 1 / s.Factor, 1e-9) << "the output moved at once";
    }
    EXPECT_NEAR(crystal / NominalXtalMHz, 0.999999 * 1.0000001 * 0.99999, 1e-8) << "not back at the start";
    EXPECT_NEAR(XtalWordToMHz(XtalMHzToWord(crystal * 1.000001)),
                (Run({"shift", "down"}), StoredCrystal(*board)), 1e-9)
        << "1 ppm unless said otherwise";
}

// The board's own values: what is stored, what is sent, what is refused.
TEST_F(CtlTest, StartupSpeedGradeAndRememberAreStoredOnTheBoard)
{
    auto board = PlugBoard();
    const struct {
        std::vector<const char*> Args;
        int Status;
        std::string Out;
        std::vector<int> Requests;  // the vendor requests after the board's values were read
        std::function<bool(const VirtualBoard&)> Holds;
    } rows[] = {
        {{"startup", "56.32M"}, 0, "start-up\t56.32 MHz\n", {0x10, 0x10, 0x10, 0x10, 0x10},
         [](const VirtualBoard& b) {
             return std::vector<uint8_t>(b.Eeprom.begin() + 0x17, b.Eeprom.begin() + 0x1B) ==
                        std::vector<uint8_t>{0xAE, 0x47, 0x61, 0x42} &&
                    b.Eeprom[1] == 0;
         }},
        {{"startup", "10 MHz", "--json"}, 0, "{\"startup_mhz\": 10}\n", {0x10, 0x10, 0x10, 0x10, 0x10},
         [](const VirtualBoard& b) { return b.Eeprom[0x1A] == 0x41; }},
        {{"startup", "56.32"}, 1, "", {}, [](const VirtualBoard& b) { return b.Eeprom[0x1A] == 0x41; }},
        {{"speed-grade", "B"}, 0, "speed grade\tB\n", {0x10, 0x24},
         [](const VirtualBoard& b) { return b.Eeprom[0x0F] == 2 && b.SpeedGradeCode == 2; }},
        {{"speed-grade", "A", "--json"}, 0, "{\"speed_grade\": \"A\"}\n", {0x10, 0x24},
         [](const VirtualBoard& b) { return b.Eeprom[0x0F] == 1 && b.SpeedGradeCode == 1; }},
        {{"remember", "on"}, 0, "remember last frequency\ton\n", {0x41},
         [](const VirtualBoard& b) { return b.Eeprom[6] == 0x55; }},
        {{"remember", "off"}, 0, "remember last frequency\toff\n", {0x41},
         [](const VirtualBoard& b) { return b.Eeprom[6] == 0xFF; }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.Args[0]) + " " + row.Args[1]);
        board->Log.clear();
        const Result r = Run(row.Args);
        EXPECT_EQ(r.Status, row.Status) << r.Err;
        EXPECT_EQ(r.Out, row.Out);
        std::vector<int> requests = VendorRequests(*board);
        // startup reads the board's crystal and grade first (the refusal depends on them).
        if (row.Args[0] == std::string("startup"))
            requests.erase(requests.begin(), requests.begin() + 9);
        EXPECT_EQ(requests, row.Requests);
        EXPECT_TRUE(row.Holds(*board));
    }
}

TEST_F(CtlTest, KeySaysTheKeyInput)
{
    auto board = PlugBoard();
    for (const auto& [byte, text] : {std::pair{0x20, "key up\n"}, {0x00, "key down\n"}, {0xDF, "key down\n"},
                                     {0xFF, "key up\n"}}) {
        board->KeyByte = static_cast<uint8_t>(byte);
        EXPECT_EQ(Run({"key"}).Out, text) << byte;
    }
    board->FailRequest[0x51] = ETIMEDOUT;
    const Result failed = Run({"key"});
    EXPECT_EQ(failed.Status, 3);
    EXPECT_EQ(failed.Err,
              "quorvexctl: Reading the key input failed: error sending control message: Connection timed out\n");
}

TEST_F(CtlTest, GetReadsWhatTheRegistersMake)
{
    auto board = PlugBoard();
    const TCalibrationWord word = XtalMHzToWord(114.2852);
    std::copy(word.begin(), word.end(), board->Eeprom.begin() + 2);
    EXPECT_EQ(Run({"get"}).Out, "f(SI570) = 56320000 Hz\n") << "the factory setting, by the stored crystal";
    board->Registers[0] = 4 << 5;  // HS_DIV code 4: no divider
    const Result r = Run({"get"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "quorvexctl: the Si570's registers hold an HS_DIV code that makes no frequency\n");
}

// The EEPROM is saved before it is erased; the board resets and is waited for.
TEST_F(CtlTest, EraseBacksUpErasesAndWaitsForTheReset)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    board->Eeprom.fill(0x11);
    Waits = false;
    const Result r = Run({"erase"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    ASSERT_TRUE(r.Out.starts_with("EEPROM erased and AVR reset. Backup: ")) << r.Out;
    const std::string backup = r.Out.substr(37, r.Out.size() - 38);
    std::vector<uint8_t> saved(512);
    int lowest = 0, span = 0;
    ASSERT_GE(ReadIntelHex(backup, lowest, span, saved), 0);
    EXPECT_EQ(saved, std::vector<uint8_t>(512, 0x11));
    EXPECT_TRUE(std::all_of(board->Eeprom.begin(), board->Eeprom.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(board->ResetCount, 1);
    EXPECT_EQ(SleptMs, 500 + 100) << "the settling time, then looks until it is back: at the second";

    // Not back within the bound: said, with the backup, and status 2.
    Fs.ResetAbsentScans = 1000;
    board->Eeprom.fill(0x22);
    SleptMs = 0;
    const Result gone = Run({"erase", "--json"});
    Fs.ResetAbsentScans = 2;
    EXPECT_EQ(gone.Status, 2);
    EXPECT_TRUE(gone.Err.starts_with("{\"error\": \"EEPROM erased, but the board was not back within 10 s of its "
                                     "reset. Backup: "))
        << gone.Err;
    EXPECT_EQ(SleptMs, 500 + 95 * 100);

    // No backup, no erase.
    ::unsetenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::string savedHome = home ? home : "";
    ::unsetenv("HOME");
    Waits = true;
    Fs.Unplug(*board);
    Fs.Clear();
    board = PlugBoard(u"VELNOR-I2C", u"SN1");
    board->Eeprom.fill(0x33);
    board->Log.clear();
    const Result refused = Run({"erase"});
    if (home)
        ::setenv("HOME", savedHome.c_str(), 1);
    EXPECT_EQ(refused.Status, 4);
    EXPECT_EQ(refused.Err, "quorvexctl: Cannot choose the backups folder: neither XDG_DATA_HOME nor HOME is an "
                           "absolute path; nothing was written\n");
    EXPECT_TRUE(std::none_of(board->Log.begin(), board->Log.end(), [](const TransferRecord& t) {
        return t.Request == 0x10 || t.Request == 0x0F;
    }));
    EXPECT_EQ(board->Eeprom[0], 0x33);
}

}  // namespace
