// The start sequence, the settings file it reads and the one the close writes.
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>

#include "AppFixture.h"

using StartSequence = AppTest;
using SettingsRead = AppTest;
using SettingsWrite = AppTest;

TEST_F(StartSequence, WithoutSettingsFileLooksForNoBoardUntilTheFirstTick)
{
    Board = PlugBoard();
    Start();
    EXPECT_EQ(Form->windowTitle(), "SI570-USB LCD-software by VELNOR");
    EXPECT_TRUE(Form->EEPROMSetup1->isVisible());
    EXPECT_FALSE(Form->EEPROM_Orvel->isVisible());
    EXPECT_EQ(EditText(), "0");
    EXPECT_EQ(Form->ComboBox1->currentText(), "MHz");
    EXPECT_TRUE(Form->CheckBox2->isChecked()) << "the box shows the detection that runs";
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_TRUE(Form->Label2->isVisibleTo(Form.get()));
    EXPECT_EQ(Form->Label2->text(), "Synthesizer offline");
    EXPECT_EQ(Calls().FindDevices, 0);

    Form->Timer1Timer();  // the first tick applies the edit's 0
    EXPECT_EQ(Form->Shape1->BrushColor(), QColor(0, 255, 0));
    EXPECT_EQ(StatusText(), "frequency not supported");
    ASSERT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_EQ(Board->Log.back().Bytes, std::vector<uint8_t>(6, 0));
}

TEST_F(StartSequence, WithSettingsAndBoardSendsTheStoredFrequencyAndReadsTheBoard)
{
    Board = PlugBoard();
    Board->Eeprom[0x0F] = 3;  // speed grade C
    WriteSettings({{"Unit=", "1"}});
    Start();
    EXPECT_EQ(EditText(), "14000");
    EXPECT_TRUE(DeviceOnline);
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_FALSE(Form->Label2->isVisibleTo(Form.get()));
    EXPECT_EQ(FrequencyRequests(*Board), 2);  // the edit's change, then the explicit apply
    EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");
    EXPECT_EQ(SpeedGrade, 2);
}

TEST_F(StartSequence, WithSettingsAndNoBoardSwitchesOnlineDetectionOn)
{
    WriteSettings();
    Start();
    EXPECT_EQ(EditText(), "14");
    EXPECT_FALSE(DeviceOnline);
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(SettingsRead, MissingUnitLeavesItAndEveryLaterKeyAtItsDefault)
{
    WriteSettings({{"Unit=", "<missing>"}, {"Multiplier=", " 4.00000000000000E+0000"}, {"Device=", "OTHER"}});
    Start();
    EXPECT_EQ(Frequency, 14000000);
    EXPECT_EQ(Multiplier, 1);
    EXPECT_EQ(SelProduct, "VELNOR-I2C");
}

TEST_F(SettingsRead, UnusableUnitIsIgnoredAndTheScanGoesOn)
{
    for (const char* unit : {"0 ", "3", "7", "-1"}) {
        WriteSettings({{"Unit=", unit}, {"Multiplier=", " 4.00000000000000E+0000"}});
        Multiplier = 1;
        Start();
        EXPECT_EQ(Form->ComboBox1->currentIndex(), 2) << unit;
        EXPECT_EQ(Multiplier, 4) << unit;
    }
}

TEST_F(SettingsRead, ValueConversions)
{
    I2CAddress = 0x10;
    SelUsbPortId = 7;
    WriteSettings({{"Frequency=", "<missing>"}, {"I2CAddress=", "341"}, {"DevNo=", "1x"}, {"SpeedGrade=", "1x"},
                   {"Device=", ""}},
                  "xyFrequency=5.0E+0000\r\n");
    Start();  // no board, so the speed grade stays as read
    EXPECT_EQ(Frequency, 5);
    EXPECT_EQ(I2CAddress, 85);
    EXPECT_EQ(SelUsbPortId, 7);
    EXPECT_EQ(SpeedGrade, 1);
    EXPECT_EQ(SelProduct, "");
}

TEST_F(StartSequence, TheBoardsSpeedGradeOverridesTheSettingsFile)
{
    const struct {
        const char* Stored;
        uint8_t BoardCode;  // EEPROM byte 0x0F: 1, 2, 3 for A, B, C
        int Expected;
    } cases[] = {{"2", 1, 0}, {"0", 2, 1}, {"0", 3, 2}, {"1", 0xFF, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.BoardCode);
        TearDown();
        SetUp();
        Board = PlugBoard();
        Board->Eeprom[EepromSpeedGrade] = c.BoardCode;
        WriteSettings({{"SpeedGrade=", c.Stored}});
        Start();
        EXPECT_EQ(SpeedGrade, c.Expected);
    }
}

TEST_F(SettingsRead, OnlineDetectTicksOnlyForOne)
{
    Board = PlugBoard();
    WriteSettings({{"OnlineDetect=", "2"}});
    EXPECT_FALSE(Start().CheckBox2->isChecked());
    WriteSettings({{"OnlineDetect=", "1"}});
    EXPECT_TRUE(Start().CheckBox2->isChecked());
}

TEST_F(SettingsRead, ComesFromTheWorkingDirectoryNotFromBesideTheExecutable)
{
    WriteSettings();
    std::filesystem::rename(WorkDir / "Quorvex.ini", ExeDir / "Quorvex.ini");
    Start();
    EXPECT_EQ(EditText(), "0");
}

// The seventeen lines of old, unchanged and in their order, then the WSPR
// beacon window's, then network control's.
TEST_F(SettingsWrite, CloseWritesEveryLineInItsOrderBesideTheExecutable)
{
    std::ofstream(ExeDir / "Quorvex.ini", std::ios::binary) << "junk\r\n";
    Start();
    SetEditText("7.5");
    Form->Edit1_Exit();
    MEPT_Text = "12\r\n34";  // a line break cannot split the file
    ASSERT_TRUE(Form->close());
    const std::vector<std::string> expected{
        "Frequency= 7.50000000000000E+0006", "Unit=2", "Multiplier= 1.00000000000000E+0000",
        "Offset= 0.00000000000000E+0000", "Increment= 1.00000000000000E+0000", "I2CAddress=85",
        "F_Startup= 5.63200000000000E+0001", "MemoryOn=0", "UserInc= 1.25000000000000E+0004",
        "FSK-Shift= 1.00000000000000E+0002", "fcryst= 1.14285000000000E+0002", "OnlineDetect=1",
        "Device=VELNOR-I2C", "DevSerial=NONE", "DevNo=1", "SpeedGrade=0", "MEPT_Text=12  34",
        "WSPR_Call=", "WSPR_Locator=", "WSPR_Power=37", "WSPR_Dial=14.0956 (20 m)", "WSPR_Audio=1500",
        "WSPR_EveryNth=0", "WSPR_Share=20", "WSPR_Every=5", "WSPR_Off=200", "NetListen=127.0.0.1:4532",
        "NetControl=0"};
    EXPECT_EQ(WrittenLines(), expected) << "a first start detects the board, and the box says so";
    EXPECT_FALSE(std::filesystem::exists(WorkDir / "Quorvex.ini"));
}

TEST_F(SettingsWrite, RoundTripRestoresEverySetting)
{
    Start();
    Form->ComboBox1->setCurrentIndex(0);
    Form->CheckBox2->setChecked(true);
    Frequency = 7040123.45678901;
    Multiplier = 0.25;
    Offset = -9.125;
    Increment = 100000;
    I2CAddress = 0x56;
    StartupFreqMHz = 56.3205;
    MemoryOn = 1;
    UserInc = 1234.5;
    FskShift = 170;
    FxtalMHz = 114.2851234;
    SelProduct = "VELNOR-X";
    SelSerial = "A17";
    SelUsbPortId = 9;
    SpeedGrade = 2;
    MEPT_Text = "S30123 X";
    ASSERT_TRUE(Form->close());
    EXPECT_EQ(WrittenLines().at(11), "OnlineDetect=1");

    Form.reset();
    ResetDeviceLinkValues();
    Frequency = Multiplier = Offset = Increment = UserInc = FskShift = MemoryOn = 0;
    MEPT_Text.clear();
    std::filesystem::copy_file(ExeDir / "Quorvex.ini", WorkDir / "Quorvex.ini");
    Start();
    EXPECT_EQ(Form->ComboBox1->currentIndex(), 0);
    EXPECT_EQ(Frequency, 7040123.45678901);
    EXPECT_EQ(Multiplier, 0.25);
    EXPECT_EQ(Offset, -9.125);
    EXPECT_EQ(Increment, 100000);
    EXPECT_EQ(I2CAddress, 0x56);
    EXPECT_EQ(StartupFreqMHz, 56.3205);
    EXPECT_EQ(MemoryOn, 1);
    EXPECT_EQ(UserInc, 1234.5);
    EXPECT_EQ(FskShift, 170);
    EXPECT_EQ(FxtalMHz, 114.2851234);
    EXPECT_EQ(SelProduct, "VELNOR-X");
    EXPECT_EQ(SelSerial, "A17");
    EXPECT_EQ(SelUsbPortId, 9);
    EXPECT_EQ(SpeedGrade, 2);
    EXPECT_EQ(MEPT_Text, "S30123 X");
}

TEST_F(SettingsWrite, FailureKeepsTheOldFileAndTheWindowOpen)
{
    const std::string old = "Frequency= 1.00000000000000E+0007\r\n";
    std::ofstream(ExeDir / "Quorvex.ini", std::ios::binary) << old;
    Start().show();
    // Writes past 64 bytes fail, as on a full disk.
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool closed = Form->close();
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    const std::string path = (ExeDir / "Quorvex.ini").string();
    EXPECT_FALSE(closed);
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(CloseQuestions, std::vector<std::string>{"Cannot write file " + path + ": " + std::strerror(EFBIG)});
    std::ifstream file(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ExeDir), {}), 1) << "temporary file left";

    std::filesystem::remove_all(ExeDir);
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(CloseQuestions.back(), "Cannot create file " + path + ": " + std::strerror(ENOENT));
}

TEST_F(StartSequence, TransferErrorsReachTheErrorDisplayAndClaimNothing)
{
    // A calibration read that fails at start keeps the crystal from the settings file.
    Board = PlugBoard();
    Board->FailRequest[0x11] = ETIMEDOUT;
    WriteSettings({{"fcryst=", " 1.14300000000000E+0002"}});
    Start();
    EXPECT_EQ(Errors, std::vector<std::string>{
                          "Reading EEPROM failed at address 0x017: error sending control message: Connection timed out"});
    EXPECT_EQ(FxtalMHz, 114.3);
    EXPECT_EQ(StartupFreqMHz, 56.32);
    EXPECT_EQ(Fs.OpenFiles(), 0);

    // A frequency the board did not take is not shown as set.
    Errors.clear();
    Board->FailRequest[0x30] = EPIPE;
    TypeKeys("1");
    EXPECT_EQ(Errors, std::vector<std::string>{
                          "Writing the Si570 registers failed at I2C address 0x55: error sending control message: "
                          "Broken pipe"});
    EXPECT_EQ(StatusText(), "");
    Board->FailRequest[0x30] = 0;
    TypeKeys("2");
    EXPECT_EQ(StatusText(), "f(SI570) = 1412000000 Hz");
}
