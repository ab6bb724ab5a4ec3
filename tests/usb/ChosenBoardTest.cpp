// The chosen board's identity across replugs in the device link: the serial
// rule, the device number that follows the board, the frequency a board
// found again is owed, and the handle a long-running sender keeps.
#include <cerrno>

#include "UsbFixture.h"
#include "usb/KeptBoard.h"

namespace {

// Serial-number string requests (descriptor index 3) the board answered.
int SerialReads(const VirtualBoard& board)
{
    return static_cast<int>(std::count_if(board.Log.begin(), board.Log.end(), [](const TransferRecord& r) {
        return r.RequestType == 0x80 && r.Request == 6 && r.Value == 0x0303;
    }));
}

int FrequencySets(const VirtualBoard& board)
{
    return static_cast<int>(std::count_if(board.Log.begin(), board.Log.end(), [](const TransferRecord& r) {
        return r.RequestType == 0x40 && r.Request == 0x30;
    }));
}

bool Opens()
{
    usb_dev_handle* h = nullptr;
    if (!OpenSelectedDevice(h))
        return false;
    usb_close(h);
    return true;
}

}  // namespace

using ChosenBoardTest = UsbTest;

TEST_F(ChosenBoardTest, TheSerialNamesABoardOnlyWhenNoOtherPresentBoardCarriesIt)
{
    const struct {
        const char* Name;
        std::vector<std::string> Serials;
        std::string Chosen;
        int Kind;
        int Index;
    } cases[] = {
        {"unique", {"1", "2"}, "2", TSerialVerdict::Found, 1},
        {"the only board", {"2"}, "2", TSerialVerdict::Found, 0},
        {"away, another board there", {"1"}, "2", TSerialVerdict::Absent, -1},
        {"away, no board", {}, "2", TSerialVerdict::Absent, -1},
        {"shared", {"X", "X"}, "X", TSerialVerdict::NotDistinct, -1},
        {"no choice made", {"1", "2"}, "NONE", TSerialVerdict::NotDistinct, -1},
        {"a board without serial chosen", {"", "2"}, "", TSerialVerdict::NotDistinct, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ForgetChosenBoard();
        const TSerialVerdict v = FindBySerial(c.Serials, c.Chosen);
        EXPECT_EQ(v.Kind, c.Kind);
        EXPECT_EQ(v.Index, c.Index);
    }
    // Once seen shared, it tells nothing apart while one of the two is away.
    ForgetChosenBoard();
    FindBySerial(std::vector<std::string>{"X", "X"}, "X");
    EXPECT_EQ(FindBySerial(std::vector<std::string>{"X"}, "X").Kind, TSerialVerdict::NotDistinct);
}

TEST_F(ChosenBoardTest, AReplugFollowsTheSerialAndRefreshesTheDeviceNumberWithoutAskingTwice)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    SelSerial = "SN1";
    ASSERT_TRUE(Opens());
    EXPECT_EQ(SerialReads(*board), 1) << "found by its serial once";
    ASSERT_TRUE(Opens());
    EXPECT_EQ(SerialReads(*board), 1) << "still where it was: not asked again";

    Fs.Unplug(*board);
    const int number = Fs.Plug(board);
    ASSERT_NE(number, SelUsbPortId);
    board->Log.clear();
    ASSERT_TRUE(Opens());
    EXPECT_EQ(SelUsbPortId, number) << "the stored device number follows the board";
    EXPECT_EQ(SerialReads(*board), 1) << "a new place: asked again";

    // A walk that finds nothing at its place forgets it, so a board there later is asked.
    Fs.Unplug(*board);
    EXPECT_FALSE(SelectDevice());
    Fs.Plug(board);
    board->Log.clear();
    ASSERT_TRUE(Opens());
    EXPECT_EQ(SerialReads(*board), 1);
}

TEST_F(ChosenBoardTest, NoOtherBoardStandsInForTheOneItsSerialNames)
{
    auto first = PlugBoard(u"VELNOR-I2C", u"1");
    auto second = PlugBoard(u"VELNOR-I2C", u"2");
    SelSerial = "2";
    Fs.Unplug(*second);
    first->Log.clear();
    try {
        SetFrequency(7000000);
        ADD_FAILURE() << "nothing raised";
    } catch (const DeviceNotFoundError& e) {
        EXPECT_EQ(std::string(e.what()), "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC ! The "
                                         "chosen board (serial 2) is not connected, but another board is present.");
    }
    EXPECT_EQ(FrequencySets(*first), 0);
    EXPECT_EQ(ChosenBoard.Presence, TBoardPresence::OtherPresent);
    EXPECT_FALSE(SelectDevice());
    EXPECT_EQ(FrequencySets(*first), 0);

    // Two boards that share the serial: the device number decides, as without one.
    Fs.Clear();
    ResetDeviceLinkValues();
    auto one = PlugBoard(u"VELNOR-I2C", u"X");
    auto two = PlugBoard(u"VELNOR-I2C", u"X");
    SelSerial = "X";
    ASSERT_TRUE(SetFrequency(7000000));
    EXPECT_EQ(FrequencySets(*one), 0);
    EXPECT_EQ(FrequencySets(*two), 1);
    EXPECT_TRUE(ChosenBoard.Ambiguous);
}

TEST_F(ChosenBoardTest, ABoardFoundAgainGetsTheWantedFrequencyBeforeAnythingElse)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    SelSerial = "SN1";
    ASSERT_TRUE(SetFrequency(14000000));
    const double wanted = board->OutputMHz();
    Fs.Unplug(*board);
    Fs.Plug(board);
    board->Log.clear();
    EXPECT_NE(ReadSpeedGrade(), -1);
    std::vector<int> vendor;
    for (const TransferRecord& r : board->Log)
        if (r.RequestType != 0x80)
            vendor.push_back(r.Request);
    EXPECT_EQ(vendor, (std::vector<int>{0x30, 0x11})) << "the frequency, then the speed grade";
    EXPECT_DOUBLE_EQ(board->OutputMHz(), wanted);
    board->Log.clear();
    EXPECT_NE(ReadSpeedGrade(), -1);
    EXPECT_EQ(FrequencySets(*board), 0) << "owed once";

    // A frequency set is what it is owed: sent once, not twice.
    Fs.Unplug(*board);
    Fs.Plug(board);
    board->Log.clear();
    ASSERT_TRUE(SetFrequency(7000000));
    EXPECT_EQ(FrequencySets(*board), 1);
}

TEST_F(ChosenBoardTest, AKeptHandleIsOpenedAgainOnceTheBoardIsBack)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"SN1");
    SelSerial = "SN1";
    TKeptBoard kept;
    ASSERT_TRUE(SetFrequency(14000000, kept));
    ResetLibusbCalls();
    ASSERT_TRUE(SetFrequency(14000100, kept));
    EXPECT_EQ(Calls().FindDevices, 0) << "no walk while the board stays";

    // Replugged between two sends: the next one reaches it on a fresh handle.
    Fs.Unplug(*board);
    Fs.Plug(board);
    board->Log.clear();
    ASSERT_TRUE(SetFrequency(14000200, kept));
    EXPECT_EQ(FrequencySets(*board), 1);
    EXPECT_EQ(Fs.OpenFiles(), 1);

    // Away: not found, the dead handle closed; back: sent again.
    Fs.Unplug(*board);
    EXPECT_THROW(SetFrequency(14000300, kept), DeviceNotFoundError);
    EXPECT_FALSE(kept.IsOpen());
    EXPECT_EQ(Fs.OpenFiles(), 0);
    Fs.Plug(board);
    board->Log.clear();
    ASSERT_TRUE(SetFrequency(14000300, kept));
    EXPECT_EQ(FrequencySets(*board), 1);
    kept.Close();
    EXPECT_EQ(Fs.OpenFiles(), 0);
}
