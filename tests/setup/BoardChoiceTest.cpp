// The scan for boards, the choice among them, and what showing the dialog reads.
#include "SetupFixture.h"
#include "usb/Si570.h"

using BoardScan = SetupTest;
using BoardChoice = SetupTest;

namespace {

void WriteWord(VirtualBoard& board, int first, const TCalibrationWord& word)
{
    std::copy(word.begin(), word.end(), board.Eeprom.begin() + first);
}

}  // namespace

TEST_F(BoardScan, ListsTheBoardsAndChoosesByTheSavedIdentity)
{
    // Boards get serials "A", "B", ... in plugging order; the library lists them in its own order.
    const struct {
        const char* name;
        std::vector<std::u16string> products;
        std::string fullMatch;  // serial of the board whose port and serial are the saved ones
        std::string chosen;     // serial, "<first>" in scan order, "<none>", or "<no hardware>"
    } cases[] = {
        {"no board", {}, "", "<no hardware>"},
        {"other product only", {u"OTHER"}, "", "<no hardware>"},
        {"one board", {u"VELNOR-I2C"}, "", "A"},
        {"two boards, no full match", {u"VELNOR-I2C", u"VELNOR-I2C"}, "", "<first>"},
        {"two boards, A matches in full", {u"VELNOR-I2C", u"VELNOR-I2C"}, "A", "A"},
        {"two boards, B matches in full", {u"VELNOR-I2C", u"VELNOR-I2C"}, "B", "B"},
        {"longer product string", {u"VELNOR-I2C-X"}, "", "<none>"},
        {"longer product string beside", {u"VELNOR-I2C-X", u"VELNOR-I2C"}, "", "B"},
        {"case differs", {u"velnor-i2c", u"VELNOR-I2C"}, "", "B"},
    };
    OpenDialog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fs.Clear();
        ResetDeviceLinkValues();
        char16_t serial = u'A';
        for (const std::u16string& product : c.products) {
            const int number = Fs.Plug(MakeBoard(product, std::u16string(1, serial)));
            if (c.fullMatch == std::string(1, static_cast<char>(serial))) {
                SelUsbPortId = static_cast<uint8_t>(number);
                SelSerial = c.fullMatch;
            }
            ++serial;
        }
        const uint8_t savedPort = SelUsbPortId;
        Dialog->Button5->click();

        EXPECT_FALSE(Dialog->ListBox1->count() == 0) << "the report lists at least the root hub";
        if (c.chosen == "<no hardware>") {
            EXPECT_EQ(DialogStatus(), "No VELNOR hardware found on USB buses!");
            EXPECT_FALSE(Dialog->ComboDevs->isVisibleTo(Dialog.get()));
            EXPECT_TRUE(Devices.empty());
            EXPECT_EQ(SelectedIndex, 0);
            continue;
        }
        EXPECT_EQ(DialogStatus(), "");
        EXPECT_TRUE(Dialog->ComboDevs->isVisibleTo(Dialog.get()));
        ASSERT_EQ(Dialog->ComboDevs->count(), static_cast<int>(Devices.size()));
        for (size_t i = 0; i < Devices.size(); ++i)
            EXPECT_EQ(Dialog->ComboDevs->itemText(static_cast<int>(i)).toStdString(),
                      Devices[i].Product + "    USB Port ID=" + std::to_string(Devices[i].UsbPortId) +
                          "  Serial=" + Devices[i].Serial);
        EXPECT_EQ(Dialog->ComboDevs->currentIndex(), SelectedIndex);
        if (c.chosen == "<none>") {
            EXPECT_EQ(SelectedIndex, -1);
            EXPECT_EQ(SelProduct, "VELNOR-I2C");
            EXPECT_EQ(SelUsbPortId, savedPort);
            continue;
        }
        ASSERT_GE(SelectedIndex, 0);
        const TDevice& d = Devices[static_cast<size_t>(SelectedIndex)];
        EXPECT_EQ(d.Serial, c.chosen == "<first>" ? Devices[0].Serial : c.chosen);
        EXPECT_EQ(SelUsbPortId, d.UsbPortId);
        EXPECT_EQ(SelSerial, d.Serial);
        EXPECT_EQ(SelProduct, d.Product);
        EXPECT_EQ(SelManufacturer, d.Manufacturer);
    }
}

TEST_F(BoardChoice, ChoosingABoardWhileOnlineShowsItsStartupFrequency)
{
    OpenOnline();
    auto second = MakeBoard(u"VELNOR-I2C", u"2");
    Fs.Plug(second);
    Board->Eeprom.fill(0xFF);  // blank: the default start-up frequency and crystal
    WriteWord(*second, EepromStartupWord, StartupMHzToWord(10.5));
    WriteWord(*second, EepromXtalWord, XtalMHzToWord(114.3));
    Dialog->Button5->click();
    ASSERT_EQ(Devices.size(), 2u);
    const int secondIndex = Devices[0].Serial == "2" ? 0 : 1;

    for (const int index : {secondIndex, 1 - secondIndex}) {
        Dialog->ComboDevs->setCurrentIndex(index);
        emit Dialog->ComboDevs->activated(index);
        EXPECT_EQ(SelectedIndex, index);
        EXPECT_EQ(SelSerial, Devices[static_cast<size_t>(index)].Serial);
        const bool isSecond = index == secondIndex;
        EXPECT_EQ(Dialog->Edit4->text(), isSecond ? "10.5" : "56.32");
        EXPECT_EQ(StartupFreqMHz, isSecond ? 10.5 : 56.32);
        EXPECT_DOUBLE_EQ(FxtalMHz, isSecond ? XtalWordToMHz(XtalMHzToWord(114.3)) : 114.285);
    }
    EXPECT_TRUE(Errors.empty());
}

TEST_F(BoardChoice, ChoosingABoardWhileOfflineOnlyChangesTheSelection)
{
    OpenOnline();
    Board->Eeprom.fill(0xFF);
    DeviceOnline = false;
    StartupFreqMHz = 10;
    Dialog->Button5->click();
    EXPECT_EQ(StartupFreqMHz, 10);
    EXPECT_EQ(RequestCount(*Board, 0x11), 0);
}

TEST_F(BoardChoice, ShowingTheDialogOnlineReadsTheBoardsValues)
{
    OpenOnline();
    Board->Eeprom.fill(0xFF);
    Board->Eeprom[EepromSpeedGrade] = 2;  // grade B
    FxtalMHz = 114.3;
    StartupFreqMHz = 50;
    Dialog->show();
    EXPECT_EQ(FxtalMHz, 114.285);
    EXPECT_EQ(StartupFreqMHz, 56.32);
    EXPECT_EQ(Dialog->Edit4->text(), "56.32");
    EXPECT_EQ(SpeedGrade, 1);
    EXPECT_EQ(Dialog->ComboBox1->currentText(), "B");
    EXPECT_EQ(RequestCount(*Board, 0x24), 0) << "showing does not set the grade";
    EXPECT_TRUE(Errors.empty());
}

// Whatever grade the program held, showing the dialog takes the board's.
TEST_F(BoardChoice, ShowingTheDialogTakesTheBoardsSpeedGrade)
{
    OpenOnline();
    const struct {
        uint8_t Code;  // EEPROM byte 0x0F
        int Held;      // the grade the program held
        int Grade;
        const char* Shown;
    } cases[] = {{1, 2, 0, "A"}, {1, 1, 0, "A"}, {2, 0, 1, "B"}, {0xFF, 0, 2, "C"}, {3, 1, 2, "C"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Shown);
        Board->Eeprom[EepromSpeedGrade] = c.Code;
        SpeedGrade = c.Held;
        Dialog->ComboBox1->setCurrentIndex(c.Held);
        Dialog->hide();
        Dialog->show();
        EXPECT_EQ(SpeedGrade, c.Grade);
        EXPECT_EQ(Dialog->ComboBox1->currentText(), c.Shown);
    }
    EXPECT_EQ(RequestCount(*Board, 0x24), 0) << "showing does not set the grade";
    EXPECT_TRUE(Errors.empty());
}

// The chosen board away, another there: the dialog offers it and takes nothing in its place.
TEST_F(BoardChoice, WithTheChosenBoardAwayTheOthersAreOfferedNotTaken)
{
    auto first = PlugBoard(u"VELNOR-I2C", u"1");
    Board = PlugBoard(u"VELNOR-I2C", u"2");
    WriteSettings({{"DevSerial=", "2"}, {"DevNo=", std::to_string(Fs.DeviceNumber(*Board))}});
    Start();
    OpenDialog();
    Fs.Unplug(*Board);
    const uint8_t port = SelUsbPortId;
    first->Log.clear();
    Dialog->show();
    EXPECT_EQ(DialogStatus(), "The chosen board (serial 2) is not connected, but another board is present. Choose a "
                              "board from the list.");
    ASSERT_EQ(Dialog->ComboDevs->count(), 1);
    EXPECT_EQ(Dialog->ComboDevs->currentIndex(), -1);
    EXPECT_EQ(SelSerial, "2");
    EXPECT_EQ(SelUsbPortId, port);
    EXPECT_TRUE(first->Log.empty() || FrequencyRequests(*first) == 0);
    Dialog->close();
    EXPECT_EQ(FrequencyRequests(*first), 0) << "closing re-applies the frequency, not to the other board";

    // Chosen by the operator, it is the board from then on.
    Dialog->show();
    Dialog->ComboDevs->setCurrentIndex(0);
    emit Dialog->ComboDevs->activated(0);
    EXPECT_EQ(SelSerial, "1");
    EXPECT_EQ(DialogStatus(), "");
    Dialog->close();
    EXPECT_EQ(FrequencyRequests(*first), 1);
    EXPECT_NEAR(first->OutputMHz() * 1e6, OutputFor(*first, 14000000), 0.01);
}

TEST_F(BoardChoice, ShowingTheDialogWithoutABoardChangesNothingElse)
{
    Start();
    SpeedGrade = 2;
    StartupFreqMHz = 50;
    OpenDialog();
    StartupFreqMHz = 60;
    Dialog->show();
    EXPECT_EQ(DialogStatus(), "No VELNOR hardware found on USB buses!");
    EXPECT_EQ(Dialog->ComboBox1->currentText(), "A");
    EXPECT_EQ(Dialog->Edit4->text(), "50");
    EXPECT_TRUE(Errors.empty());
}

TEST_F(BoardChoice, TheMainWindowsGeneralEntryShowsTheDialogWhichScans)
{
    OpenOnline();
    ASSERT_TRUE(Form->Setup1->isEnabled());
    Form->Setup1->trigger();
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_TRUE(Dialog->ComboDevs->isVisibleTo(Dialog.get()));
    EXPECT_EQ(Dialog->ComboDevs->count(), 1);
    EXPECT_EQ(SelectedIndex, 0);
    EXPECT_TRUE(Form->isEnabled()) << "not modal: the main window stays usable";
}
