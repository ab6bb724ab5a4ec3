// The hidden command that erases the EEPROM and resets the board, and the
// bounded wait for the board to come back.
#include <numeric>

#include "SetupFixture.h"
#include "usb/Si570.h"

using EraseAndReset = SetupTest;

TEST_F(EraseAndReset, ABoardThatComesBackIsFoundUnderItsNewNumberAndTuned)
{
    OpenOnline();
    Board->Eeprom.fill(0x12);
    FxtalMHz = 114.29;
    Dialog->CheckBoxGuard = true;
    Dialog->CheckBox1->setChecked(true);
    Dialog->CheckBoxGuard = false;
    const uint8_t numberBefore = SelUsbPortId;

    Dialog->Button2->click();
    EXPECT_TRUE(Errors.empty());
    EXPECT_TRUE(std::all_of(Board->Eeprom.begin(), Board->Eeprom.end(), [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(Board->ResetCount, 1);
    EXPECT_EQ(FxtalMHz, NominalXtalMHz);
    EXPECT_TRUE(DeviceOnline);
    EXPECT_NE(SelUsbPortId, numberBefore);
    EXPECT_EQ(DialogStatus(), "EEPROM erased and AVR reset.");
    EXPECT_TRUE(Dialog->isEnabled());
    EXPECT_FALSE(Dialog->CheckBox1->isChecked());
    EXPECT_EQ(RequestCount(*Board, 0x41), 0) << "the erased board needs no telling";
    ASSERT_FALSE(Pauses.empty());
    EXPECT_EQ(Pauses.front(), 500);
    // The displayed frequency went to the board after it came back.
    EXPECT_EQ(Board->Log.back().Request, 0x30);
    EXPECT_NEAR(Board->OutputMHz(), 14 * Board->Settings().TrueXtalMHz / NominalXtalMHz, 1e-6);
}

TEST_F(EraseAndReset, ABoardThatStaysAwayEndsTheWaitAfterTenSeconds)
{
    OpenOnline();
    const int absentScans = Fs.ResetAbsentScans;
    Fs.ResetAbsentScans = 1000000;
    bool disabledWhileWaiting = true;
    ResetWaitSleepHook = [&](int ms) {
        Pauses.push_back(ms);
        disabledWhileWaiting = disabledWhileWaiting && !Dialog->isEnabled();
    };

    Dialog->Button2->click();
    Fs.ResetAbsentScans = absentScans;
    EXPECT_TRUE(Errors.empty());
    EXPECT_TRUE(disabledWhileWaiting);
    EXPECT_EQ(std::accumulate(Pauses.begin(), Pauses.end(), 0), 10000);
    EXPECT_FALSE(DeviceOnline);
    EXPECT_TRUE(Dialog->isEnabled());
    EXPECT_EQ(DialogStatus(), "EEPROM erased, but the board was not back within 10 s of its reset.");
}

TEST_F(EraseAndReset, WithoutABoardTheDialogIsEnabledAgainAndTheErrorShown)
{
    Start();
    OpenDialog();
    Dialog->Button2->click();
    EXPECT_EQ(Errors, std::vector<std::string>{NotFoundText()});
    EXPECT_TRUE(Dialog->isEnabled());
    EXPECT_TRUE(Pauses.empty());
}
