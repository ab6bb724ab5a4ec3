#include "memory/UIntelHex.h"
#include "support/Errors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

namespace fs = std::filesystem;

class IntelHex : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "quorvex-hex-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        Dir = pattern;
    }
    void TearDown() override { fs::remove_all(Dir); }

    std::string Write(const std::string& text)
    {
        const std::string name = (Dir / "fw.hex").string();
        std::ofstream(name, std::ios::binary) << text;
        return name;
    }
    static std::string Contents(const std::string& name)
    {
        std::ifstream file(name, std::ios::binary);
        return {std::istreambuf_iterator<char>(file), {}};
    }
    int Read(const std::string& text, std::span<uint8_t> buffer)
    {
        return ReadIntelHex(Write(text), Lowest, Span, buffer);
    }

    fs::path Dir;
    int Lowest = 0;
    int Span = 0;
};

TEST_F(IntelHex, WritesErasedEepromAndReadsItBack)
{
    const std::vector<uint8_t> image(512, 0xFF);
    const std::string name = (Dir / "eeprom.hex").string();
    WriteIntelHex(name, 0, 512, image);
    const std::string text = Contents(name);
    const std::string ff(32, 'F');
    ASSERT_EQ(text.size(), 32 * 45 + 13u);
    EXPECT_EQ(text.substr(0, 45), ":10000000" + ff + "00\r\n");
    EXPECT_EQ(text.substr(45, 45), ":10001000" + ff + "F0\r\n");
    EXPECT_EQ(text.substr(31 * 45, 45), ":1001F000" + ff + "0F\r\n");
    EXPECT_EQ(text.substr(32 * 45), ":00000001FF\r\n");

    std::vector<uint8_t> back(512, 0);
    EXPECT_EQ(ReadIntelHex(name, Lowest, Span, back), HexRecordEnd);
    EXPECT_EQ(back, image);
    EXPECT_EQ(Lowest, 0);
    EXPECT_EQ(Span, 512);
}

TEST_F(IntelHex, FormatsRecords)
{
    const uint8_t data[] = {0, 0, 0x02, 0x33, 0x7A};
    EXPECT_EQ(FormatDataRecord(2, 3, data), ":0300020002337A4C");
    EXPECT_EQ(FormatDataRecord(5, 0, data), ":00000500FB");  // empty record at the end is fine
    EXPECT_EQ(FormatEndRecord(0), ":00000001FF");
    EXPECT_THROW(FormatDataRecord(3, 3, data), RangeError);
    EXPECT_THROW(FormatDataRecord(-1, 1, data), RangeError);
    EXPECT_THROW(FormatDataRecord(0, 256, std::vector<uint8_t>(300)), RangeError);
    EXPECT_THROW(FormatEndRecord(0x10000), RangeError);

    // A count that is not a multiple of 16 ends with a shorter record.
    const std::vector<uint8_t> image(20, 0x11);
    const std::string name = (Dir / "short.hex").string();
    WriteIntelHex(name, 0, 20, image);
    EXPECT_EQ(Contents(name).substr(45), ":0400100011111111A8\r\n:00000001FF\r\n");
    EXPECT_THROW(WriteIntelHex(name, 0, 21, image), RangeError);
    EXPECT_EQ(Contents(name).size(), 45 + 21 + 13u);  // unchanged: nothing written
    EXPECT_THROW(WriteIntelHex((Dir / "no" / "x.hex").string(), 0, 16, image), FileError);
}

TEST_F(IntelHex, ReadStatuses)
{
    std::vector<uint8_t> buf(64, 0xEE);
    EXPECT_EQ(Read(":00000001FF\r\n", buf), HexRecordEnd);
    EXPECT_EQ(Lowest, 2147483647);
    EXPECT_EQ(Span, -2147483647);

    EXPECT_EQ(Read(":01001000559A\n:020020000102DB\n:00003000D0\n", buf), HexRecordData);  // no end record
    EXPECT_EQ(buf[0x10], 0x55);
    EXPECT_EQ(buf[0x21], 0x02);
    EXPECT_EQ(Lowest, 0x10);
    EXPECT_EQ(Span, 0x30 - 0x10);  // the empty record at 0x30 counts

    EXPECT_EQ(Read(":01000000ab54\r\n:010000007788\r\n:00000001FF\r\n\r\ngarbage", buf), HexRecordEnd);
    EXPECT_EQ(buf[0], 0x77);  // later record wins; lines after the end are not read

    EXPECT_EQ(Read(":0100050042B8\r\n:020000040000FA\r\n:0100060043B6\r\n", buf), HexUnknownType);
    EXPECT_EQ(buf[5], 0x42);
    EXPECT_EQ(buf[6], 0xEE);

    // Start addresses carry no data: skipped, and the read goes on.
    EXPECT_EQ(Read(":0100080011E6\r\n:0400000300001000E9\r\n:0400000500001000E7\r\n:0100090022D4\r\n", buf),
              HexRecordData);
    EXPECT_EQ(buf[9], 0x22);
    EXPECT_EQ(Span, 2) << "only data records count";
    EXPECT_EQ(Read(":0400000300001000E8\r\n", buf), HexChecksumError);

    EXPECT_EQ(Read(":0100070099FF\r\n", buf), HexChecksumError);
    EXPECT_EQ(buf[7], 0x99);  // stored before the checksum test
    EXPECT_EQ(Read("0100000000FF\r\n", buf), HexNoStartCode);
    EXPECT_THROW(ReadIntelHex((Dir / "none.hex").string(), Lowest, Span, buf), FileError);
}

TEST_F(IntelHex, BadLinesNameFileAndLine)
{
    std::vector<uint8_t> buf(16);
    const auto message = [&](const std::string& text) -> std::string {
        try {
            Read(text, buf);
        } catch (const ConvertError& e) {
            return e.what();
        }
        return "no ConvertError";
    };
    const std::string name = (Dir / "fw.hex").string();
    EXPECT_EQ(message(":0100000001FE\r\n:01000\r\n"), name + " line 2: '000' at position 4 is not 4 hexadecimal digits");
    EXPECT_EQ(message(":01 0000001FE\r\n"), name + " line 1: ' 000' at position 4 is not 4 hexadecimal digits");
    EXPECT_EQ(message(":0100000001FE\r\n\r\n"), name + " line 2: Empty line is not a record");
    EXPECT_EQ(message(":02000000010\r\n"), name + " line 1: '0' at position 12 is not 2 hexadecimal digits");
    uint8_t one = 0;
    int address = 0;
    int count = 0;
    EXPECT_THROW(ParseIntelHexLine(":0", {&one, 1}, address, count), ConvertError);
}

TEST_F(IntelHex, ByteBeyondTheBufferIsARangeError)
{
    std::vector<uint8_t> memory(65536 + 16, 0xAA);
    const std::span<uint8_t> buf(memory.data(), 65536);
    try {
        Read(":00000000" "00\r\n:10FFF800000102030405060708090A0B0C0D0E0F80\r\n", buf);
        FAIL();
    } catch (const RangeError& e) {
        EXPECT_EQ(std::string(e.what()), (Dir / "fw.hex").string() + " line 2: Data byte address 65536 beyond the last index 65535");
    }
    EXPECT_EQ(memory[0xFFF8], 0x00);
    EXPECT_EQ(memory[0xFFFF], 0x07);
    EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 65536, memory.end()), std::vector<uint8_t>(16, 0xAA));
}

}  // namespace
