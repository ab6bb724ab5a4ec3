#include "support/Errors.h"
#include "support/UUtils.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

bool Passes(char16_t key, uint8_t keyClass)
{
    FilterKey(nullptr, key, keyClass);
    return key != 0;
}

TEST(FilterKey, ClassesLetTheirCharactersThrough)
{
    const std::u16string_view passing[] = {u"09afAF\b\r", u"09\b\r", u"09.\b\r", u"09.-\b\r", u"09.-eE\b\r"};
    const std::u16string_view cancelled[] = {u"g .\x01\t", u".a\n", u"-e,\x1b", u"eE+", u",x+\u0661"};
    for (uint8_t c = KeyClassHex; c <= KeyClassFloat; ++c) {
        for (char16_t key : passing[c])
            EXPECT_TRUE(Passes(key, c)) << int(c) << " " << int(key);
        for (char16_t key : cancelled[c])
            EXPECT_FALSE(Passes(key, c)) << int(c) << " " << int(key);
    }
    for (char16_t key : {u'\x01', u'g', u','})
        EXPECT_TRUE(Passes(key, 5));
}

TEST(SettingsReaders, ForwardScanInKeyOrder)
{
    std::istringstream file("Frequency= 1.40000000000000E+0007\r\n"
                            "Unit=2 \r\n"
                            "Multiplier=abc\r\n"
                            "Offset= 9.00000000000000E+0000\n"
                            "I2CAddress=341\r\n"
                            "SpeedGrade=1x\r\n"
                            "Device=\r\n"
                            "DevSerial= AB \r\n"
                            "DevNo=$1F");
    double f = 0;
    int32_t n = -1;
    std::string text = "unchanged";
    EXPECT_TRUE(ReadFloatAfterKey(file, "Frequency=", f));
    EXPECT_EQ(f, 14e6);
    EXPECT_FALSE(ReadIntegerAfterKey(file, "Unit=", n));
    EXPECT_EQ(n, 2);
    f = 1;
    EXPECT_FALSE(ReadFloatAfterKey(file, "Multiplier=", f));
    EXPECT_EQ(f, 1);
    EXPECT_TRUE(ReadFloatAfterKey(file, "Offset=", f));
    EXPECT_EQ(f, 9);
    EXPECT_TRUE(ReadIntegerAfterKey(file, "I2CAddress=", n));
    EXPECT_EQ(n, 341);
    EXPECT_FALSE(ReadIntegerAfterKey(file, "SpeedGrade=", n));
    EXPECT_EQ(n, 1);
    EXPECT_TRUE(ReadStringAfterKey(file, "Device=", text));
    EXPECT_EQ(text, "");
    EXPECT_TRUE(ReadStringAfterKey(file, "DevSerial=", text));
    EXPECT_EQ(text, " AB ");
    EXPECT_TRUE(ReadIntegerAfterKey(file, "DevNo=", n));
    EXPECT_EQ(n, 31);
}

TEST(SettingsReaders, MissingOrEarlierKeyEndsTheScan)
{
    std::istringstream file("xxFrequency=5.0E+0000\r\nUnit=1\r\nMultiplier=2\r\n");
    double f = 0;
    int32_t n = -1;
    EXPECT_TRUE(ReadFloatAfterKey(file, "Frequency=", f));
    EXPECT_EQ(f, 5);
    EXPECT_TRUE(ReadFloatAfterKey(file, "Multiplier=", f));
    EXPECT_FALSE(ReadIntegerAfterKey(file, "Unit=", n));  // stood before Multiplier
    EXPECT_EQ(n, -1);

    std::istringstream missing("Frequency=1\r\nMultiplier=2\r\nOffset=3\r\n");
    f = 0;
    EXPECT_FALSE(ReadIntegerAfterKey(missing, "Unit=", n));
    EXPECT_FALSE(ReadFloatAfterKey(missing, "Multiplier=", f));
    EXPECT_FALSE(ReadFloatAfterKey(missing, "Offset=", f));
    EXPECT_EQ(f, 0);
    EXPECT_EQ(n, -1);
}

struct FailingBuffer : std::streambuf {
    int_type underflow() override { throw std::ios_base::failure("disk gone"); }
};

TEST(SettingsReaders, StreamErrorRaisesFileError)
{
    FailingBuffer buffer;
    std::istream file(&buffer);
    std::string text;
    EXPECT_THROW(ReadStringAfterKey(file, "Device=", text), FileError);
}

TEST(SettingsReaders, OpenOnlyReadableFiles)
{
    namespace fs = std::filesystem;
    std::string pattern = (fs::temp_directory_path() / "quorvex-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path dir = pattern;
    const std::string name = (dir / "Quorvex.ini").string();
    std::ofstream(name, std::ios::binary) << "Device=VELNOR-I2C\r\n";

    EXPECT_FALSE(FileReadable(""));
    EXPECT_FALSE(FileReadable((dir / "none.ini").string()));
    std::ifstream file;
    EXPECT_FALSE(OpenTextForReading(file, dir.string()));
    ASSERT_TRUE(OpenTextForReading(file, name));
    std::string text;
    EXPECT_TRUE(ReadStringAfterKey(file, "Device=", text));
    EXPECT_EQ(text, "VELNOR-I2C");
    file.close();
    fs::remove_all(dir);
}

}  // namespace
