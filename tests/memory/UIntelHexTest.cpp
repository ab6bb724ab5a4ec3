#include "memory/HexImage.h"
#include "memory/UIntelHex.h"
#include "support/Errors.h"

#include <sys/stat.h>

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

TEST_F(IntelHex, ReadsNameTheLineAndRecordsWhatTheyStored)
{
    std::vector<uint8_t> buf(64, 0);
    THexReadInfo info;
    const std::string name = Write(":0100100011DE\r\n:00002000E0\r\n:020000040000FA\r\n");
    EXPECT_EQ(ReadIntelHex(name, Lowest, Span, buf, &info), HexUnknownType);
    EXPECT_EQ(info.Line, 3);
    EXPECT_EQ(info.Type, 4);
    ASSERT_EQ(info.Records.size(), 1u) << "an empty record defines no byte";
    EXPECT_EQ(info.Records[0].Line, 1);
    EXPECT_EQ(info.Records[0].Address, 0x10);
    EXPECT_EQ(info.Records[0].Count, 1);

    struct Case {
        int Status, Type;
        const char* Text;
    };
    for (const Case& c : std::initializer_list<Case>{
             {HexNoStartCode, 0, "the line does not begin with ':'"},
             {HexChecksumError, 0, "checksum mismatch"},
             {HexUnknownType, 2,
              "record type 02 (extended segment address) is not supported: only 16-bit addresses (data and end "
              "records)"},
             {HexUnknownType, 4,
              "record type 04 (extended linear address) is not supported: only 16-bit addresses (data and end "
              "records)"},
             {HexUnknownType, 0x7E, "record type 7E is not supported: only 16-bit addresses (data and end records)"},
         })
        EXPECT_EQ(HexStatusText(c.Status, c.Type), c.Text);
}

// Files that are no text file at all fail with the system's reason, and none
// of them makes the read wait.
TEST_F(IntelHex, FilesThatCannotBeReadSayWhy)
{
    std::vector<uint8_t> buf(16);
    const fs::path fifo = Dir / "fifo.hex";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadIntelHex(fifo.string(), Lowest, Span, buf), HexRecordData) << "a FIFO without a writer is empty";
    EXPECT_EQ(Lowest + Span, 0);

    const fs::path huge = Dir / "huge.hex";
    std::ofstream(huge) << ":00000001FF\r\n";
    fs::resize_file(huge, 1ULL << 30);
    EXPECT_EQ(ReadIntelHex(huge.string(), Lowest, Span, buf), HexRecordEnd) << "what follows the end is never read";
    std::ofstream(huge, std::ios::trunc) << "";
    fs::resize_file(huge, 1ULL << 30);

    const auto error = [&](const fs::path& path) -> std::string {
        try {
            ReadIntelHex(path.string(), Lowest, Span, buf);
        } catch (const FileError& e) {
            return e.what();
        }
        return "no FileError";
    };
    EXPECT_EQ(error(Dir), "Cannot read file " + Dir.string() + ": Is a directory");
    EXPECT_EQ(error(Dir / "none.hex"), "Cannot open file " + (Dir / "none.hex").string() + ": No such file or directory");
    EXPECT_EQ(error(huge), "Cannot read file " + huge.string() +
                               ": more than 16 MiB before its end record, too large for an Intel HEX file of 16-bit "
                               "addresses");
    try {
        WriteIntelHex((Dir / "no" / "x.hex").string(), 0, 16, buf);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file " + (Dir / "no" / "x.hex").string() +
                                             ": No such file or directory");
    }
    try {
        WriteIntelHex("/dev/full", 0, 16, buf);
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot write file /dev/full: No space left on device");
    }
}

TEST_F(IntelHex, AnImageKnowsWhatItDefinesAndNamesTheRest)
{
    const std::string name = Write(":020010001122BB\r\n:01001400AA41\r\n:01030000EE0E\r\n:00000001FF\r\n");
    const THexImage image = THexImage::Load(name, 0x00);
    EXPECT_TRUE(image.Defines(0x11));
    EXPECT_FALSE(image.Defines(0x12));
    EXPECT_FALSE(image.Defines(-1));
    EXPECT_FALSE(image.Defines(THexImage::Size));
    EXPECT_TRUE(image.DefinesAny(0x12, 0x14));
    EXPECT_FALSE(image.DefinesAny(0x15, 0x2FF));
    EXPECT_EQ(image.LastDefined(), 0x300);
    EXPECT_EQ(image.Missing(0x10, 0x17),
              (std::vector<TAddressRange>{{0x12, 0x13}, {0x15, 0x17}}));
    EXPECT_EQ(RangesText(image.Missing(0, 0x1F), 3), "0x000-0x00F, 0x012-0x013, 0x015-0x01F");
    EXPECT_EQ(RangesText({{1, 1}, {3, 3}, {5, 5}, {7, 7}, {9, 9}}, 3), "0x001, 0x003, 0x005 and 2 more ranges");
    EXPECT_EQ(RangesText({{1, 1}, {3, 3}, {5, 5}, {7, 7}}, 3), "0x001, 0x003, 0x005 and 1 more range");
    const auto outside = image.RecordsOutside(0, 0x1FF);
    ASSERT_EQ(outside.size(), 1u);
    EXPECT_EQ(RecordsText(outside, 4), "line 3 (0x0300)");
    EXPECT_EQ(RecordsText(image.Records, 3), "line 1 (0x010-0x011), line 2 (0x014), line 3 (0x300)");
    EXPECT_EQ(THexImage::Load(Write(":00000001FF\r\n"), 0xFF).LastDefined(), -1);
    try {
        THexImage::Load(Write(":0100000001FF\r\n"), 0);
        FAIL();
    } catch (const HexContentError& e) {
        EXPECT_EQ(std::string(e.what()), "Error reading " + name + " line 1: checksum mismatch");
    }
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
