// The filter-board editor: its own rows, the lower half of the image as its
// own, and the whole image written.
#include "EditorFixture.h"

namespace {

using FilterBoardEditor = EditorTest;

TEST_F(FilterBoardEditor, ShowsTheFilterBoardLayout)
{
    StartEditors();
    Board->Eeprom.fill(0);
    Board->Eeprom[0x0F] = 0x03;
    const uint32_t limit = 7000000;
    for (int i = 0; i < 4; ++i)
        Board->Eeprom[static_cast<size_t>(0x45 + i)] = static_cast<uint8_t>(limit >> (8 * i));
    Board->Eeprom[0x13] = 0x05;
    Form->EEPROM_Orvel->setVisible(true);
    Open(*FilterEditor);

    EXPECT_TRUE(FilterEditor->isVisible());
    EXPECT_FALSE(Form->isEnabled());
    EXPECT_EQ(FilterEditor->windowTitle(), "EEPROM Editor");
    EXPECT_EQ(FilterEditor->SG->RowCount(), 30);
    EXPECT_EQ(Cell(*FilterEditor, 0, 6), "[0x0F] Speed grade, 1: A, 2: B, else C");
    EXPECT_EQ(Cell(*FilterEditor, 1, 6), "3");
    EXPECT_EQ(Cell(*FilterEditor, 2, 6), "03");
    EXPECT_EQ(Cell(*FilterEditor, 1, 13), "7000000");
    EXPECT_EQ(Cell(*FilterEditor, 2, 13), "6ACFC0");
    EXPECT_EQ(Cell(*FilterEditor, 2, 12), "00") << "limits show at least two digits";
    EXPECT_EQ(Cell(*FilterEditor, 2, 10), "00000005") << "the VFO offset keeps eight";
    const auto listing = Listing(*FilterEditor);
    ASSERT_EQ(listing.size(), 16u);
    EXPECT_EQ(listing[15], "00F0  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 ");

    FilterEditor->close();
    EXPECT_TRUE(Form->isEnabled());
}

TEST_F(FilterBoardEditor, DecimalEditOfTheSpeedGradeChangesThatByteOnly)
{
    StartEditors();
    Open(*FilterEditor);
    const auto before = EepromImage;
    ClickCell(*FilterEditor, 1, 6);
    TypeIntoGrid(*FilterEditor, "2");
    auto expected = before;
    expected[0x0F] = 2;
    EXPECT_EQ(EepromImage, expected);
    EXPECT_EQ(Cell(*FilterEditor, 2, 6), "02");
}

TEST_F(FilterBoardEditor, KeepsTheUpperHalfAndWritesAllOfIt)
{
    StartEditors();
    Open(*FilterEditor);
    // The upper half as another editor left it.
    std::fill(EepromImage.begin() + 0x100, EepromImage.end(), 0x5A);
    FilterEditor->Clearbuffer1->trigger();
    std::array<uint8_t, 512> expected{};
    std::fill_n(expected.begin(), 0x100, 0xFF);
    std::fill(expected.begin() + 0x100, expected.end(), 0x5A);
    EXPECT_EQ(EepromImage, expected);

    FilterEditor->ReadEEPROM2->trigger();
    EXPECT_EQ(EepromImage, Board->Eeprom) << "the board read fills all 512 bytes";
    FilterEditor->Clearbuffer1->trigger();
    expected = Board->Eeprom;
    std::fill_n(expected.begin(), 0x100, 0xFF);
    Board->Log.clear();
    FilterEditor->readEEPROM1->trigger();
    EXPECT_EQ(Requests(0x10), 512);
    EXPECT_EQ(Board->Eeprom, expected);
    EXPECT_TRUE(Status(*FilterEditor).starts_with("EEPROM written and verified")) << Status(*FilterEditor);
}

TEST_F(FilterBoardEditor, SavesAndLoadsTheLowerHalfOnly)
{
    StartEditors();
    Open(*FilterEditor);
    AnswerDialog(FileNamed("filter.hex"));
    FilterEditor->Save1->trigger();
    const auto lines = Lines(FileNamed("filter.hex"));
    ASSERT_EQ(lines.size(), 17u);
    EXPECT_TRUE(lines[15].starts_with(":1000F000"));
    EXPECT_EQ(lines[16], ":00000001FF");

    // A full 512-byte file from the standard editor: its first 256 bytes count.
    const auto boardImage = EepromImage;
    EepromImage.fill(0x77);
    AnswerDialog(FileNamed("full.hex"));
    Editor->Save1->trigger();
    EepromImage = boardImage;
    FilterEditor->Load1->trigger();
    auto expected = boardImage;
    std::fill_n(expected.begin(), 0x100, 0x77);
    EXPECT_EQ(EepromImage, expected);
    EXPECT_EQ(Cell(*FilterEditor, 2, 1), "77");
}

}  // namespace
