// Files the flasher must not program: each row says what reached the board
// and what the status line or the error display said. Refused means the
// flash is as it was; the boot section is never written.
#include <QTest>

#include <functional>

#include "FlashFixture.h"
#include "tests/common/HostileFiles.h"

namespace {

struct HostileFlash {
    const char* Name;
    std::function<std::string(const std::filesystem::path& dir)> Make;
    std::vector<std::string> Requests;
    const char* Says;  // the status line, or with Raised the start of the error shown; <file> is the path
    bool Raised = false;
    std::vector<std::pair<int, uint8_t>> Programmed = {};  // bytes the flash holds afterwards
};

// The requests that program blocks of 64 bytes from first on.
std::vector<std::string> Programming(int first, int blocks)
{
    std::vector<std::string> out{"EF", "FE"};
    char text[32];
    for (int k = 0; k < blocks; ++k) {
        std::snprintf(text, sizeof text, "EE>%04X", first + 64 * k);
        out.push_back(text);
        std::snprintf(text, sizeof text, "EE<%04X/EE", first + 64 * k);
        out.push_back(text);
    }
    for (const char* end : {"EC", "ED"}) {
        std::snprintf(text, sizeof text, "%s %04X", end, first + 64 * (blocks - 1));
        out.push_back(text);
    }
    return out;
}

TEST_F(FlashTest, HostileFilesNeverReachTheFlash)
{
    const auto write = [](const char* name, std::string text) {
        return [name, text](const std::filesystem::path& dir) { return WriteText(dir / name, text); };
    };
    const char* nothing = "<file> holds nothing to program at or above the flashable start 0x1000";
    const char* hexTypes = " is not supported: only 16-bit addresses (data and end records)";
    const std::string type02 = std::string("Error reading <file> line 1: record type 02 (extended segment address)") +
                               hexTypes;
    const std::string type04 = std::string("Error reading <file> line 2: record type 04 (extended linear address)") +
                               hexTypes;
    const HostileFlash rows[] = {
        {"empty", write("empty.hex", ""), {"EF"}, nothing},
        {"one byte", write("one.hex", HexLine(0x1000, {0x5A}) + HexEnd), Programming(0x1000, 1),
         "Flashing finished: 1 blocks written", false, {{0x1000, 0x5A}, {0x1001, 0xFF}}},
        {"ends on a block boundary", write("two.hex", HexLines(0x1000, 128, 0x21) + HexEnd), Programming(0x1000, 2),
         "Flashing finished: 2 blocks written", false, {{0x107F, 0x21}, {0x1080, 0xFF}}},
        {"boot section only", write("boot.hex", HexLines(0, 0x1000, 0x11) + HexEnd), {"EF"}, nothing},
        {"all beyond the flash", write("high.hex", HexLines(0xF000, 16, 0x42) + HexEnd), {},
         "<file> reaches past the chip's 8 KiB of flash (0x0000-0x1FFF): its last address is 0xF00F, on line 1 "
         "(0xF000-0xF00F)"},
        {"12 KiB", write("big.hex", HexLines(0x1000, 0x2000, 0x42) + HexEnd), {},
         "<file> reaches past the chip's 8 KiB of flash (0x0000-0x1FFF): its last address is 0x2FFF, on line 257 "
         "(0x2000-0x200F), line 258 (0x2010-0x201F), line 259 (0x2020-0x202F) and 253 more"},
        {"overlapping records", write("overlap.hex", HexLines(0x1000, 64, 0x33) + HexLine(0x1010, {0x44}) + HexEnd),
         Programming(0x1000, 1), "Flashing finished: 1 blocks written", false, {{0x100F, 0x33}, {0x1010, 0x44}}},
        {"bad checksum", write("sum.hex", HexLines(0x1000, 16, 1) + HexLine(0x1010, {1}, 0, 0x10) + HexEnd), {},
         "Error reading <file> line 2: checksum mismatch"},
        {"type 02 record", write("t02.hex", HexLine(0, {0x10, 0}, 2) + HexLines(0x1000, 16, 1) + HexEnd), {},
         type02.c_str()},
        {"type 04 record", write("t04.hex", HexLines(0x1000, 16, 1) + HexLine(0, {0, 1}, 4) + HexEnd), {},
         type04.c_str()},
        {"directory", [](const std::filesystem::path& dir) { return dir.string(); }, {},
         "Cannot read file <file>: Is a directory", true},
        {"unreadable", [](const std::filesystem::path& dir) { return MakeUnreadable(dir / "locked.hex"); }, {}, "",
         true},
        {"FIFO without a writer", [](const std::filesystem::path& dir) { return MakeFifo(dir / "fifo.hex"); }, {"EF"},
         nothing},
        {"huge", [](const std::filesystem::path& dir) { return MakeHuge(dir / "huge.hex"); }, {}, "", true},
    };
    int refused = 0;
    for (const HostileFlash& row : rows) {
        SCOPED_TRACE(row.Name);
        TearDown();
        SetUp();
        Errors.clear();
        Open();
        const auto before = Board->Flash;
        ChosenFile = row.Make(WorkDir);
        std::string says = row.Says;
        if (const auto at = says.find("<file>"); at != std::string::npos)
            says.replace(at, 6, ChosenFile);
        if (std::string(row.Name) == "unreadable")
            says = UnreadableError(ChosenFile);
        if (std::string(row.Name) == "huge")
            says = "Cannot read file " + ChosenFile + HugeError;
        QTest::mouseClick(Window->Button9, Qt::LeftButton);

        EXPECT_EQ(Requests(), row.Requests);
        EXPECT_EQ(Board->BootWrites, 0);
        if (row.Raised) {
            EXPECT_EQ(Errors, std::vector<std::string>{says});
        } else {
            EXPECT_TRUE(Errors.empty());
            EXPECT_EQ(Status(), says);
        }
        if (row.Programmed.empty()) {
            EXPECT_EQ(Board->Flash, before) << "refused: the flash is as it was";
            ++refused;
        }
        for (const auto& [address, value] : row.Programmed)
            EXPECT_EQ(Board->Flash[static_cast<size_t>(address)], value) << address;
    }
    EXPECT_EQ(refused, 11);
}

}  // namespace
