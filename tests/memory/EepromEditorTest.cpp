// The EEPROM editor as the operator uses it: opened from the main window,
// reading, editing in both columns, writing, and the Intel HEX files.
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>

#include "EditorFixture.h"
#include "memory/UIntelHex.h"

namespace {

using EepromEditor = EditorTest;

TEST_F(EepromEditor, OpensAsAToolWindowAndRestoresTheMainWindowWhenClosed)
{
    StartEditors();
    for (const bool onlineDetect : {true, false}) {
        Form->CheckBox2->setChecked(onlineDetect);
        Open(*Editor);
        EXPECT_TRUE(Editor->isVisible());
        EXPECT_EQ(Editor->windowTitle(), "EEPROM Editor");
        EXPECT_FALSE(Editor->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_FALSE(Form->isEnabled());
        EXPECT_FALSE(Form->CheckBox2->isChecked());
        EXPECT_TRUE(DeviceOnline);
        EXPECT_EQ(Form->SavedOnlineDetect, onlineDetect);
        EXPECT_EQ(Requests(0x11), 512) << "the board's EEPROM is read on opening";
        EXPECT_EQ(EepromImage, Board->Eeprom);

        EXPECT_TRUE(Editor->close());
        EXPECT_FALSE(Editor->isVisible());
        EXPECT_TRUE(Form->isEnabled());
        EXPECT_EQ(Form->CheckBox2->isChecked(), onlineDetect);
    }
    EXPECT_TRUE(Form->EEPROMSetup1->isVisible() && Form->EEPROMSetup1->isEnabled());
    EXPECT_FALSE(Form->EEPROM_Orvel->isVisible());
}

TEST_F(EepromEditor, ShowsTheBoardsEepromInListingAndGrid)
{
    StartEditors();
    Board->Eeprom.fill(0);
    for (int i = 0; i < 6; ++i)
        Board->Eeprom[static_cast<size_t>(0x07 + i)] = static_cast<uint8_t>(0x11 * (i + 1));
    Board->Eeprom[0x02] = 0x78;
    Board->Eeprom[0x05] = 0x12;
    Board->Eeprom[0x1A8] = 200;
    Board->Eeprom[0x1F0] = 0xAB;
    Open(*Editor);

    const auto listing = Listing(*Editor);
    ASSERT_EQ(listing.size(), 32u);
    EXPECT_EQ(listing[0], "0000  00 00 78 00 00 12 00 11 22 33 44 55 66 00 00 00 ");
    EXPECT_EQ(listing[31], "01F0  AB 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ");

    struct Row {
        int Row;
        const char* Label;
        const char* Decimal;
        const char* Hex;
    };
    EXPECT_EQ(Cell(*Editor, 0, 0), "[Address] Item");
    EXPECT_EQ(Cell(*Editor, 1, 0), "Decimal");
    EXPECT_EQ(Cell(*Editor, 2, 0), "Hex");
    for (const Row& r : std::initializer_list<Row>{
             {1, "[0x00] AVR RC oscillator calibration", "0", "00"},
             {3, "[0x02 - 0x05] Crystal calibration value (4 bytes)", "301990008", "12000078"},
             {5, "[0x07 - 0x0C] Frequency to restore on init, if [0x06] is not set to 0xFF  (6 bytes)",
              "112516402455057", "665544332211"},
             {60, "[0x1A8] Multiplier 10", "200", "C8"},
             {87, "[0x1FA] 15 available if not 0xFF", "0", "00"},
         }) {
        EXPECT_EQ(Cell(*Editor, 0, r.Row), r.Label);
        EXPECT_EQ(Cell(*Editor, 1, r.Row), r.Decimal) << r.Label;
        EXPECT_EQ(Cell(*Editor, 2, r.Row), r.Hex) << r.Label;
    }
    EXPECT_EQ(Editor->SG->RowCount(), 88);
    EXPECT_EQ(Status(*Editor), "");
}

TEST_F(EepromEditor, EditsInBothColumnsReachTheBoardWithABackupOfItsOldContent)
{
    StartEditors();
    Open(*Editor);
    const auto old = Board->Eeprom;

    // Hex column: the typed text stays as typed, leading zeros included.
    ClickCell(*Editor, 2, 1);
    TypeIntoGrid(*Editor, "0067");
    EXPECT_EQ(EepromImage[0x00], 0x67);
    EXPECT_EQ(Cell(*Editor, 1, 1), "103");
    EXPECT_EQ(Cell(*Editor, 2, 1), "0067");
    // The 48-bit row takes 12 hex digits; lower case is typed upper.
    ClickCell(*Editor, 2, 5);
    TypeIntoGrid(*Editor, "0123456789ab");
    EXPECT_EQ(Cell(*Editor, 2, 5), "0123456789AB");
    EXPECT_EQ(Cell(*Editor, 1, 5), std::to_string(0x0123456789ABULL));
    // A mouse press redraws both columns from the image.
    EXPECT_EQ(Cell(*Editor, 2, 1), "67");
    // Decimal column.
    ClickCell(*Editor, 1, 2);
    TypeIntoGrid(*Editor, "44");
    EXPECT_EQ(EepromImage[0x01], 0x2C);
    EXPECT_EQ(Cell(*Editor, 2, 2), "2C");

    auto expected = old;
    expected[0x00] = 0x67;
    expected[0x01] = 0x2C;
    const uint8_t restore[6] = {0xAB, 0x89, 0x67, 0x45, 0x23, 0x01};
    std::copy(std::begin(restore), std::end(restore), expected.begin() + 7);
    EXPECT_EQ(EepromImage, expected);

    Board->Log.clear();
    Editor->readEEPROM1->trigger();
    EXPECT_EQ(Board->Eeprom, expected);
    EXPECT_EQ(Requests(0x11), 1024) << "backup and verification reads";
    EXPECT_EQ(Requests(0x10), 512);
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(HexImage(backups[0]), old);
    EXPECT_EQ(Lines(backups[0]).size(), 33u);
    EXPECT_EQ(Status(*Editor), "EEPROM written and verified. Backup: " + backups[0]);
    EXPECT_NE(backups[0].find("eeprom-port" + std::to_string(Fs.DeviceNumber(*Board)) + "-"), std::string::npos);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(EepromEditor, BackupIsNamedAfterTheBoardsSerial)
{
    StartEditors();
    Fs.Unplug(*Board);
    Board = PlugBoard(u"VELNOR-I2C", u"SN 42/7");
    SelSerial = "SN 42/7";
    Open(*Editor);
    Editor->readEEPROM1->trigger();
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(backups[0].find("/eeprom-serial-SN_42_7-"), std::string::npos) << backups[0];
}

TEST_F(EepromEditor, WriteShowsProgressAndTakesNoInputMeanwhile)
{
    StartEditors();
    Open(*Editor);
    std::vector<int> seen;
    std::vector<std::string> what;
    VendorTransferHook = [&](TVendorTransfer& t) {
        if (t.Number % 512 != 100)
            return;
        const auto* bar = Editor->statusBar()->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_TRUE(bar->isVisible());
        EXPECT_FALSE(Editor->menuBar()->isEnabled());
        EXPECT_FALSE(Editor->SG->isEnabled());
        seen.push_back(bar->value());
        what.push_back(bar->format().toStdString());
    };
    ResetVendorTransferCount();
    Editor->readEEPROM1->trigger();
    EXPECT_EQ(seen, (std::vector<int>{100, 612, 1124})) << "byte by byte through the three passes";
    EXPECT_EQ(what, (std::vector<std::string>{"Backing up EEPROM  %p%", "Writing EEPROM  %p%",
                                              "Verifying EEPROM  %p%"}));
    EXPECT_EQ(Editor->statusBar()->findChild<QProgressBar*>(), nullptr);
    EXPECT_TRUE(Editor->menuBar()->isEnabled());
    EXPECT_TRUE(Editor->SG->isEnabled());
}

TEST_F(EepromEditor, ConversionErrorStopsAtTheFirstBadRow)
{
    StartEditors();
    Open(*Editor);
    const auto before = EepromImage;
    Editor->SG->SetCell(2, 1, "AA");
    Editor->SG->SetCell(2, 2, "BB");
    Editor->SG->SetCell(2, 3, "");
    Editor->SG->SetCell(2, 4, "CC");
    PressKey(*Editor, Qt::Key_Right);  // any key release applies the column

    EXPECT_EQ(Status(*Editor), "Input error in focussed field");
    EXPECT_EQ(Editor->SG->Col(), 2);
    EXPECT_EQ(Editor->SG->Row(), 3);
    EXPECT_TRUE(Editor->SG->hasFocus() || !Editor->isActiveWindow());
    EXPECT_EQ(EepromImage[0x00], 0xAA);
    EXPECT_EQ(EepromImage[0x01], 0xBB);
    EXPECT_EQ(EepromImage[0x06], before[0x06]) << "rows after the bad one keep their bytes";
    EXPECT_EQ(Cell(*Editor, 1, 1), std::to_string(before[0x00])) << "the other column is not refreshed";

    // Fixed, the cell converts and the message ends with its cause.
    Editor->SG->SetCell(2, 3, "0");
    PressKey(*Editor, Qt::Key_Down);
    EXPECT_EQ(EepromImage[0x06], 0xCC);
    EXPECT_EQ(Status(*Editor), "");
}

TEST_F(EepromEditor, KeysOutsideHexAreDroppedInBothColumns)
{
    StartEditors();
    Open(*Editor);
    for (const int col : {1, 2}) {
        ClickCell(*Editor, col, 6);
        TypeIntoGrid(*Editor, "1g-z.a");
        EXPECT_EQ(Cell(*Editor, col, 6), "1A") << "column " << col;
    }
}

TEST_F(EepromEditor, ArrowKeyWithoutAnEditChangesNothing)
{
    StartEditors();
    Open(*Editor);
    const auto image = EepromImage;
    const auto listing = Listing(*Editor);
    ClickCell(*Editor, 1, 10);
    PressKey(*Editor, Qt::Key_Down);
    PressKey(*Editor, Qt::Key_Up);
    EXPECT_EQ(EepromImage, image);
    EXPECT_EQ(Listing(*Editor), listing);
    EXPECT_EQ(Status(*Editor), "");
}

TEST_F(EepromEditor, ClearFillsTheImageWithoutTouchingTheBoard)
{
    StartEditors();
    Open(*Editor);
    Board->Log.clear();
    Editor->Clearbuffer1->trigger();
    EXPECT_TRUE(Board->Log.empty());
    for (const uint8_t b : EepromImage)
        ASSERT_EQ(b, 0xFF);
    EXPECT_EQ(Cell(*Editor, 1, 3), "4294967295");
    EXPECT_EQ(Listing(*Editor)[5], "0050  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
}

TEST_F(EepromEditor, SavesThirtyTwoRecordsAndTheEndRecord)
{
    StartEditors();
    Open(*Editor);
    Editor->Clearbuffer1->trigger();
    AnswerDialog(FileNamed("image.hex"));
    Editor->Save1->trigger();
    const auto lines = Lines(FileNamed("image.hex"));
    ASSERT_EQ(lines.size(), 33u);
    EXPECT_EQ(lines[0], ":10000000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF00");
    EXPECT_EQ(lines[1], ":10001000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0");
    EXPECT_EQ(lines[31], ":1001F000FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF0F");
    EXPECT_EQ(lines[32], ":00000001FF");
    EXPECT_EQ(DialogFilters, std::vector<std::string>{"Intel hex file (*.hex) .hex"});

    AnswerDialog("");  // cancelled: nothing written
    std::filesystem::remove(FileNamed("image.hex"));
    Editor->Save1->trigger();
    EXPECT_FALSE(std::filesystem::exists(FileNamed("image.hex")));
}

}  // namespace
