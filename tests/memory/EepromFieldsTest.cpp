// The EEPROM fields: the two row tables, reading and storing values, the
// cell texts and the listing line.
#include "memory/EepromFields.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::array<uint8_t, EepromBytes> Counting()
{
    std::array<uint8_t, EepromBytes> image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i);
    return image;
}

TEST(EepromRows, StandardTableCoversFixedFieldsAndSixteenSlots)
{
    const TEepromRows& rows = StandardEepromRows();
    ASSERT_EQ(rows.size(), 87u);
    struct Row {
        size_t Row;
        const char* Label;
        int Address, Width, Digits;
    };
    for (const Row& r : std::initializer_list<Row>{
             {1, "[0x00] AVR RC oscillator calibration", 0x00, 1, 2},
             {3, "[0x02 - 0x05] Crystal calibration value (4 bytes)", 0x02, 4, 8},
             {4, "[0x06] Restore last frequency (I2C address of Si570 if restore is selected)", 0x06, 1, 2},
             {5, "[0x07 - 0x0C] Frequency to restore on init, if [0x06] is not set to 0xFF  (6 bytes)", 0x07, 6, 12},
             {7, "[0xFF] Safety Flag: If not 0xFF, InitVars will not be executed upon power-up", 0xFF, 1, 2},
             {8, "[0x100 - 0x103] Frequency 0 [Hz]", 0x100, 4, 8},
             {58, "[0x1A0 - 0x1A3] Frequency 10 [Hz]", 0x1A0, 4, 8},
             {59, "[0x1A4 - 0x1A7] Offset 10 [Hz]", 0x1A4, 4, 8},
             {60, "[0x1A8] Multiplier 10", 0x1A8, 1, 2},
             {61, "[0x1A9] Divider 10", 0x1A9, 1, 2},
             {62, "[0x1AA] 10 available if not 0xFF", 0x1AA, 1, 2},
             {87, "[0x1FA] 15 available if not 0xFF", 0x1FA, 1, 2},
         }) {
        const TEepromField& f = rows[r.Row - 1];
        EXPECT_EQ(f.Label, r.Label) << "row " << r.Row;
        EXPECT_EQ(f.Address, r.Address) << r.Label;
        EXPECT_EQ(f.Width, r.Width) << r.Label;
        EXPECT_EQ(f.HexDigits, r.Digits) << r.Label;
    }
}

TEST(EepromRows, FilterBoardTableHasSettingsAndNineFilters)
{
    const TEepromRows& rows = FilterBoardEepromRows();
    ASSERT_EQ(rows.size(), 29u);
    EXPECT_EQ(rows[3].Label, "[0x06] I2C address of Si570 which enables to restore latest frequency");
    EXPECT_EQ(rows[5].Label, "[0x0F] Speed grade, 1: A, 2: B, else C");
    EXPECT_EQ(rows[5].Address, 0x0F);
    EXPECT_EQ(rows[9].Label, "[0x13 - 0x16] VFO frequency offset in Hz");
    EXPECT_EQ(rows[13].Label, "[0x49 - 0x4C] Lower limit of band pass filter 2 in Hz (4 bytes)");
    EXPECT_EQ(rows[28].Label, "[0x85 - 0x88] Upper limit of band pass filter 9 in Hz (4 bytes)");
    for (size_t i = 11; i < 29; ++i) {
        EXPECT_EQ(rows[i].Address, 0x41 + 4 * static_cast<int>(i - 11)) << i;
        EXPECT_EQ(rows[i].HexDigits, 0) << i;
    }
}

TEST(EepromFields, ValuesAreLittleEndianAndStoredTruncated)
{
    struct Case {
        TEepromField Field;
        uint64_t Stored;
        uint64_t ReadBack;
        std::string Decimal, Hex;
    };
    const TEepromField byte{"", 0x0D, 1, 2}, word{"", 0x02, 4, 8}, restore{"", 0x07, 6, 12}, limit{"", 0x41, 4, 0};
    for (const Case& c : std::initializer_list<Case>{
             {byte, 300, 0x2C, "44", "2C"},
             {byte, 0x1234567, 0x67, "103", "67"},
             {word, 0x1122334455ULL, 0x22334455, "573785173", "22334455"},
             {restore, 0x123456789ABCDEULL, 0x3456789ABCDE, "57545995238622", "3456789ABCDE"},
             {limit, 7000000, 7000000, "7000000", "6ACFC0"},
             {limit, 3, 3, "3", "03"},
             {byte, 0, 0, "0", "00"},
         }) {
        auto image = Counting();
        const auto before = image;
        StoreField(c.Field, c.Stored, image);
        EXPECT_EQ(FieldValue(c.Field, image), c.ReadBack);
        EXPECT_EQ(DecimalText(c.ReadBack), c.Decimal);
        EXPECT_EQ(HexText(c.Field, c.ReadBack), c.Hex);
        for (size_t i = 0; i < image.size(); ++i) {
            if (static_cast<int>(i) < c.Field.Address || static_cast<int>(i) >= c.Field.Address + c.Field.Width) {
                ASSERT_EQ(image[i], before[i]) << "byte " << i << " outside the field changed";
            }
        }
    }
    auto image = Counting();
    EXPECT_EQ(FieldValue(word, image), 0x05040302u) << "least significant byte first";
}

TEST(EepromFields, FieldOutsideTheImageIsARangeError)
{
    auto image = Counting();
    EXPECT_THROW(FieldValue({"", 510, 4, 8}, image), RangeError);
    EXPECT_THROW(StoreField({"", -1, 1, 2}, 0, image), RangeError);
    EXPECT_EQ(image, Counting());
}

TEST(EepromFields, CellTextsConvertAsTheRuntimeDoes)
{
    struct Case {
        const char* Text;
        bool Hex;
        bool Valid;
        uint64_t Value;
    };
    for (const Case& c : std::initializer_list<Case>{
             {"1234567", true, true, 0x1234567},
             {"ff", true, true, 0xFF},
             {"300", false, true, 300},
             {"", true, false, 0},
             {"", false, false, 0},
             {"12G", true, false, 0},
             {"1A", false, false, 0},
             {"7FFFFFFFFFFFFFFF", true, true, 0x7FFFFFFFFFFFFFFFULL},
             {"10000000000000000", true, false, 0},
             {"9223372036854775807", false, true, 9223372036854775807ULL},
             {"9223372036854775808", false, false, 0},
         }) {
        uint64_t value = 0;
        EXPECT_EQ(ParseCellText(c.Text, c.Hex, value), c.Valid) << c.Text;
        if (c.Valid) {
            EXPECT_EQ(value, c.Value) << c.Text;
        }
    }
}

TEST(EepromFields, AValueIsTakenOnlyWhenItFitsItsFieldsBytes)
{
    const TEepromField byte{"[0x00] Byte", 0x00, 1, 2}, word{"[0x02 - 0x05] Word", 0x02, 4, 8},
        restore{"[0x07 - 0x0C] Six", 0x07, 6, 12};
    struct Case {
        const TEepromField& Field;
        const char* Text;
        bool Hex;
        TCellText Result;
        uint64_t Value;
    };
    for (const Case& c : std::initializer_list<Case>{
             {byte, "255", false, TCellText::Value, 255},
             {byte, "256", false, TCellText::TooLarge, 0},
             {byte, "300", false, TCellText::TooLarge, 0},
             {byte, "000000FF", true, TCellText::Value, 0xFF},
             {byte, "100", true, TCellText::TooLarge, 0},
             {byte, "-1", false, TCellText::TooLarge, 0},
             {byte, "1A", false, TCellText::NotANumber, 0},
             {byte, "", true, TCellText::NotANumber, 0},
             {word, "4294967295", false, TCellText::Value, 0xFFFFFFFF},
             {word, "99999999999999999999", false, TCellText::TooLarge, 0},
             {restore, "FFFFFFFFFFFF", true, TCellText::Value, 0xFFFFFFFFFFFF},
             {restore, "1000000000000", true, TCellText::TooLarge, 0},
             {restore, "18446744073709551616", false, TCellText::TooLarge, 0},
             {restore, "FFFFFFFFFFFFFFFFFFFF", true, TCellText::TooLarge, 0},
         }) {
        uint64_t value = 7;
        EXPECT_EQ(ParseFieldText(c.Text, c.Hex, c.Field, value), c.Result) << c.Text;
        EXPECT_EQ(value, c.Result == TCellText::Value ? c.Value : 7) << c.Text;
    }
    EXPECT_EQ(TooLargeText(word, 3, false), "Too large for row 3, [0x02 - 0x05] Word: 0 to 4294967295");
    EXPECT_EQ(TooLargeText(restore, 5, true), "Too large for row 5, [0x07 - 0x0C] Six: 000000000000 to FFFFFFFFFFFF hex");
    EXPECT_EQ(TooLargeText({"[0x41 - 0x44] Limit", 0x41, 4, 0}, 12, true),
              "Too large for row 12, [0x41 - 0x44] Limit: 00 to FFFFFFFF hex");
}

TEST(EepromFields, ListingLineHasAddressTwoBlanksAndSixteenBytes)
{
    const auto image = Counting();
    EXPECT_EQ(HexListingLine(0x1F0, std::span(image).subspan(0x1F0, 16)),
              "01F0  F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF ");
}

}  // namespace
