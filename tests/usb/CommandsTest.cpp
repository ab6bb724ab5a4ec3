#include <cerrno>
#include <cmath>
#include <limits>

#include "UsbFixture.h"

namespace {

// The board's vendor transfers, without the string reads of OpenDevice.
std::vector<TransferRecord> VendorTransfers(const VirtualBoard& board)
{
    std::vector<TransferRecord> out;
    for (const TransferRecord& r : board.Log)
        if (r.RequestType != 0x80)
            out.push_back(r);
    return out;
}

void ExpectTransfer(const TransferRecord& r, uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                    uint16_t length)
{
    EXPECT_EQ(r.RequestType, type);
    EXPECT_EQ(r.Request, request);
    EXPECT_EQ(r.Value, value);
    EXPECT_EQ(r.Index, index);
    EXPECT_EQ(r.Length, length);
    EXPECT_EQ(r.TimeoutMs, 5000u);
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> b)
{
    return b;
}

}  // namespace

using CommandsTest = UsbTest;

TEST_F(CommandsTest, SetFrequencySendsTheRegisterBlockInOneOpenPerRequest)
{
    auto board = PlugBoard();
    EXPECT_TRUE(SetFrequency(14000000));

    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 1u);
    ExpectTransfer(sent[0], 0x40, 0x30, 0x0755, 0, 6);
    EXPECT_EQ(sent[0].Bytes, Bytes({0x4F, 0x42, 0xD9, 0x1F, 0xE2, 0xF8}));
    EXPECT_NEAR(board->OutputMHz(), 14.0 * 114.2852 / 114.285, 1e-9) << "the board's own crystal decides";

    EXPECT_EQ(Calls().FindBusses, 1);
    EXPECT_EQ(Calls().FindDevices, 1);
    EXPECT_EQ(Calls().Open, 1);
    EXPECT_EQ(Calls().Close, 1);
}

TEST_F(CommandsTest, SetFrequencyFollowsTheI2CAddress)
{
    auto board = PlugBoard();
    I2CAddress = 0x56;
    SetFrequency(14000000);
    EXPECT_EQ(VendorTransfers(*board).at(0).Value, 0x0756);
}

TEST_F(CommandsTest, ZeroHertzSendsTheZeroBlockAndReportsNotFound)
{
    auto board = PlugBoard();
    SetFrequency(14000000);
    EXPECT_FALSE(SetFrequency(0));
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].Bytes, Bytes({0, 0, 0, 0, 0, 0}));
    EXPECT_NEAR(board->OutputMHz(), 56.32, 1e-6) << "the Si570 went back to its start-up frequency";
}

TEST_F(CommandsTest, UnreachableFrequencyMakesNoUsbTrafficAtAll)
{
    auto board = PlugBoard();
    for (double hz : {3440000.0, 1418000000.0, -1.0, std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_FALSE(SetFrequency(hz)) << hz;
        EXPECT_FALSE(SetFrequencyFast(hz)) << hz;
    }
    FxtalMHz = 0;  // e.g. a settings file with a bad crystal value
    EXPECT_FALSE(SetFrequency(14000000));
    FxtalMHz = -114.285;
    EXPECT_FALSE(SetFrequency(14000000));
    EXPECT_TRUE(board->Log.empty());
    EXPECT_EQ(Calls().Init + Calls().FindBusses + Calls().Open, 0);
}

TEST_F(CommandsTest, SetFrequencyRaisesDeviceNotFoundOnlyWithRegistersToSend)
{
    EXPECT_THROW(SetFrequency(14000000), DeviceNotFoundError);
    EXPECT_THROW(SetFrequency(0), DeviceNotFoundError);
    EXPECT_NO_THROW(SetFrequency(3440000));
}

TEST_F(CommandsTest, SpeedGradeCExcludesOnlyTheSlowPath)
{
    auto board = PlugBoard();
    SpeedGrade = 2;
    EXPECT_FALSE(SetFrequency(300000000));
    ASSERT_TRUE(OpenPersistent(true));
    EXPECT_TRUE(SetFrequencyFast(300000000)) << "the FSK path ignores the speed grade";
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Bytes[0] >> 5, 5) << "HS_DIV 9";
}

TEST_F(CommandsTest, FskPollSetsAFrequencyOnlyWhenTheKeyByteChanges)
{
    auto board = PlugBoard();
    ASSERT_TRUE(OpenPersistent(true));
    ResetLibusbCalls();
    FskBaseFrequency = 14000000;
    FskShiftedFrequency = 14000100;
    FskLastKeyState = -1;

    PollFskKey();  // first poll always sets
    PollFskKey();  // same byte: poll only
    board->KeyByte = 0x21;
    PollFskKey();  // another bit: same frequency again
    board->KeyByte = 0x01;
    PollFskKey();  // bit 5 clear: shifted

    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 7u);
    ExpectTransfer(sent[0], 0xC0, 0x51, 0, 0, 1);
    ExpectTransfer(sent[1], 0x40, 0x30, 0x0755, 0, 6);
    EXPECT_EQ(sent[2].Request, 0x51);
    EXPECT_EQ(sent[3].Request, 0x51);
    EXPECT_EQ(sent[4].Bytes, sent[1].Bytes);
    EXPECT_EQ(sent[5].Request, 0x51);
    EXPECT_NE(sent[6].Bytes, sent[1].Bytes);
    EXPECT_NEAR(board->OutputMHz(), 14.0001 * 114.2852 / 114.285, 1e-9);
    EXPECT_EQ(FskLastKeyState, 0x01);
    EXPECT_EQ(Calls().Open + Calls().Close + Calls().FindDevices, 0) << "the kept handle only";
}

TEST_F(CommandsTest, FskWithoutAnOpenHandleSendsNothing)
{
    auto board = PlugBoard();
    PollFskKey();
    EXPECT_TRUE(SetFrequencyFast(14000000));
    EXPECT_TRUE(board->Log.empty());
}

TEST_F(CommandsTest, CalibrateCrystalReadsTheRegistersBack)
{
    auto board = PlugBoard();
    double crystal = 0, readBack = 0;
    ASSERT_TRUE(CalibrateCrystal(crystal, readBack, 56.32));
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 1u);
    ExpectTransfer(sent[0], 0xC0, 0x3F, 0x55, 0, 6);
    EXPECT_NEAR(crystal, 114.2852, 1e-6) << "the board's true crystal is found";
    EXPECT_NEAR(readBack, 56.32 * 114.285 / 114.2852, 1e-6);

    board->Registers = {};  // registers that give no frequency at all
    EXPECT_THROW(CalibrateCrystal(crystal, readBack, 56.32), ZeroDivideError);
}

TEST_F(CommandsTest, RememberLastFrequencySwitch)
{
    auto board = PlugBoard();
    EXPECT_TRUE(SetRememberLastFrequency(true));
    EXPECT_TRUE(SetRememberLastFrequency(false));
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 2u);
    ExpectTransfer(sent[0], 0xC0, 0x41, 0x55, 0, 6);
    ExpectTransfer(sent[1], 0xC0, 0x41, 255, 0, 6);
}

TEST_F(CommandsTest, WholeEepromTransfersOneByteAtATime)
{
    auto board = PlugBoard();
    for (size_t i = 0; i < EepromImage.size(); ++i)
        EepromImage[i] = static_cast<uint8_t>(i * 7);
    EXPECT_TRUE(WriteEepromImage());
    EXPECT_TRUE(std::equal(EepromImage.begin(), EepromImage.end(), board->Eeprom.begin()));
    auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 512u);
    ExpectTransfer(sent[3], 0x40, 0x10, 3, 21, 1);
    ExpectTransfer(sent[511], 0x40, 0x10, 511, static_cast<uint8_t>(511 * 7), 1);

    board->Log.clear();
    EepromImage.fill(0);
    EXPECT_TRUE(ReadEepromImage());
    EXPECT_TRUE(std::equal(EepromImage.begin(), EepromImage.end(), board->Eeprom.begin()));
    sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 512u);
    ExpectTransfer(sent[0], 0xC0, 0x11, 0, 255, 1);
    ExpectTransfer(sent[511], 0xC0, 0x11, 511, 255, 1);
    EXPECT_EQ(Calls().Open, 2);
}

TEST_F(CommandsTest, EraseEepromResetsTheCrystalOnlyWhenTheBoardWasThere)
{
    FxtalMHz = 114.3;
    EXPECT_FALSE(EraseEeprom());
    EXPECT_EQ(FxtalMHz, 114.3);

    auto board = PlugBoard();
    board->Eeprom.fill(0x12);
    EXPECT_TRUE(EraseEeprom());
    EXPECT_EQ(FxtalMHz, 114.285);
    EXPECT_TRUE(std::all_of(board->Eeprom.begin(), board->Eeprom.end(), [](uint8_t b) { return b == 0xFF; }));
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 512u);
    for (size_t i = 0; i < sent.size(); ++i)
        ASSERT_TRUE(sent[i].Value == i && sent[i].Index == 255) << i;
}

TEST_F(CommandsTest, SpeedGradeIsReadFromEepromByte15)
{
    auto board = PlugBoard();
    const std::pair<uint8_t, int> mapping[] = {{1, 0}, {2, 1}, {3, 2}, {0, 2}, {0xFF, 2}};
    for (auto [byte, grade] : mapping) {
        board->Eeprom[0x0F] = byte;
        EXPECT_EQ(ReadSpeedGrade(), grade) << int(byte);
    }
    ExpectTransfer(VendorTransfers(*board).at(0), 0xC0, 0x11, 0x0F, 0, 1);

    board->ShortBy = 1;
    EXPECT_EQ(ReadSpeedGrade(), -1) << "a reply without its byte";
    board->ShortBy = 0;
    board->FailRequest[0x11] = ETIMEDOUT;
    EXPECT_EQ(ReadSpeedGrade(), -1);
    Fs.Unplug(*board);
    EXPECT_EQ(ReadSpeedGrade(), -1);
}

TEST_F(CommandsTest, SetSpeedGradeStoresThenTellsTheFirmware)
{
    auto board = PlugBoard();
    EXPECT_TRUE(SetSpeedGrade(1));
    const auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 2u);
    ExpectTransfer(sent[0], 0x40, 0x10, 0x0F, 2, 1);
    ExpectTransfer(sent[1], 0x40, 0x24, 2, 2, 1);
    EXPECT_EQ(board->Eeprom[0x0F], 2);
}

TEST_F(CommandsTest, ResetTakesTheBoardOffTheBusForAWhile)
{
    auto board = PlugBoard();
    const int before = Fs.DeviceNumber(*board);
    EXPECT_TRUE(ResetAvr());
    ExpectTransfer(VendorTransfers(*board).at(0), 0x40, 0x0F, 0, 255, 1);
    EXPECT_FALSE(Fs.IsPlugged(*board));
    EXPECT_EQ(ReadSpeedGrade(), -1) << "gone while it restarts";
    for (int i = 0; i < 3 && !Fs.IsPlugged(*board); ++i)
        SelectDevice();
    ASSERT_TRUE(Fs.IsPlugged(*board));
    EXPECT_NE(Fs.DeviceNumber(*board), before) << "it comes back under a new device number";
    EXPECT_TRUE(SelectDevice());
    EXPECT_EQ(SelUsbPortId, Fs.DeviceNumber(*board));
}

TEST_F(CommandsTest, CalibrationWordsLiveAtTheirEepromAddresses)
{
    auto board = PlugBoard();
    EXPECT_TRUE(WriteStartupFrequency(56.32f));
    EXPECT_TRUE(WriteXtalWord(XtalMHzToWord(114.285)));
    auto sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 10u);
    const uint16_t expected[][2] = {{0x17, 0xAE}, {0x18, 0x47}, {0x19, 0x61}, {0x1A, 0x42}, {0x01, 0},
                                    {0x02, 0xC3}, {0x03, 0xF5}, {0x04, 0x48}, {0x05, 0x72}, {0x01, 0}};
    for (size_t i = 0; i < sent.size(); ++i)
        ExpectTransfer(sent[i], 0x40, 0x10, expected[i][0], expected[i][1], 1);

    board->Log.clear();
    TCalibrationWord word{};
    EXPECT_TRUE(ReadXtalWord(word));
    EXPECT_EQ(word, (TCalibrationWord{0xC3, 0xF5, 0x48, 0x72}));
    EXPECT_TRUE(ReadStartupWord(word));
    EXPECT_EQ(word, (TCalibrationWord{0xAE, 0x47, 0x61, 0x42}));
    sent = VendorTransfers(*board);
    ASSERT_EQ(sent.size(), 8u);
    for (size_t i = 0; i < 8; ++i)
        ExpectTransfer(sent[i], 0xC0, 0x11, static_cast<uint16_t>((i < 4 ? 0x02 : 0x17 - 4) + i), 0, 1);
}

TEST_F(CommandsTest, LoadCalibrationConvertsWhatTheBoardHolds)
{
    FxtalMHz = 114.3;
    StartupFreqMHz = 50;
    LoadCalibration();
    EXPECT_EQ(FxtalMHz, 114.3) << "no board: the values we had stay";
    EXPECT_EQ(StartupFreqMHz, 50);

    auto board = PlugBoard();
    LoadCalibration();
    EXPECT_EQ(FxtalMHz, 114.285) << "erased words give the defaults";
    EXPECT_EQ(StartupFreqMHz, 56.32);

    const uint8_t stored[] = {0x00, 0xC3, 0xF5, 0x48, 0x72};  // 0x01..0x05
    std::copy(std::begin(stored), std::end(stored), board->Eeprom.begin() + 0x01);
    const uint8_t startup[] = {0x00, 0x00, 0x70, 0x42};  // 60.0 as a single
    std::copy(std::begin(startup), std::end(startup), board->Eeprom.begin() + 0x17);
    LoadCalibration();
    EXPECT_NEAR(FxtalMHz, 114.28500003, 5e-9);
    EXPECT_EQ(StartupFreqMHz, 60.0);
}

TEST_F(CommandsTest, OperationsWithoutABoardReportNotOpened)
{
    TCalibrationWord word{};
    EXPECT_FALSE(SetRememberLastFrequency(true));
    EXPECT_FALSE(ReadEepromImage());
    EXPECT_FALSE(WriteEepromImage());
    EXPECT_FALSE(SetSpeedGrade(0));
    EXPECT_FALSE(ResetAvr());
    EXPECT_FALSE(ReadXtalWord(word));
    EXPECT_FALSE(WriteStartupFrequency(56.32f));
    double a = 0, b = 0;
    EXPECT_FALSE(CalibrateCrystal(a, b, 56.32));
    EXPECT_EQ(Calls().Open, 0);
}

TEST_F(CommandsTest, UnpluggedBoardFailsTheKeptHandleQuietly)
{
    auto board = PlugBoard();
    ASSERT_TRUE(OpenPersistent(true));
    board->Log.clear();
    Fs.Unplug(*board);
    char key = 0;
    EXPECT_EQ(usb_control_msg(PersistentHandle, 0xC0, 0x51, 0, 0, &key, 1, 5000), -ENODEV);
    FskLastKeyState = -1;
    PollFskKey();  // nothing reaches the board, nothing is raised
    EXPECT_TRUE(board->Log.empty());
}
