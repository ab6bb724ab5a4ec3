// The self-flasher: programming, dumping, verifying and checking the boot
// section, and each under the faults of the virtual bus.
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <fstream>
#include <functional>

#include "FlashFixture.h"
#include "WindowFaults.h"

namespace {

TEST_F(FlashTest, FlashesAToolchainBuiltImageAboveTheBootSectionOnly)
{
    TFormFlash& w = Open();
    EXPECT_EQ(w.windowTitle(), "Self-Flasher Utility");
    EXPECT_FALSE(Form->isEnabled()) << "the main window waits for the tool window";
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    ChosenFile = QUORVEX_FLASH_DATA "/blink.hex";
    std::vector<uint8_t> image(65536, 0xFF);
    int lowest = 0, span = 0;
    ASSERT_GE(ReadIntelHex(ChosenFile, lowest, span, image), 0);
    ASSERT_EQ(lowest, 0x1000);
    const int end = lowest + span;
    const int blocks = (span + 63) / 64;
    ASSERT_GT(blocks, 2);
    ASSERT_NE(span % 64, 0) << "the last block is padded";

    QTest::mouseClick(w.Button9, Qt::LeftButton);

    EXPECT_EQ(DialogFilters, QStringList{"Intel hex files (*.hex)"});
    std::vector<std::string> expected{"EF", "FE"};
    for (int k = 0; k < blocks; ++k) {
        char out[16], in[16];
        std::snprintf(out, sizeof out, "EE>%04X", 0x1000 + 64 * k);
        std::snprintf(in, sizeof in, "EE<%04X/EE", 0x1000 + 64 * k);
        expected.insert(expected.end(), {out, in});
    }
    char last[16];
    std::snprintf(last, sizeof last, "%04X", 0x1000 + 64 * (blocks - 1));
    expected.insert(expected.end(), {std::string("EC ") + last, std::string("ED ") + last});
    EXPECT_EQ(Requests(), expected);
    for (const TransferRecord& r : Board->Log)
        EXPECT_TRUE(r.Request < 0xE0 || (r.Length == (r.Request == 0xEF ? 2 : 64) && r.TimeoutMs == 5000));

    for (int a = 0; a < 8192; ++a) {
        const uint8_t want = a < 0x1000 ? BootByte(a) : a < end ? image[static_cast<size_t>(a)] : 0xFF;
        ASSERT_EQ(Board->Flash[static_cast<size_t>(a)], want) << a;
    }
    EXPECT_EQ(Board->BootWrites, 0);
    EXPECT_EQ(Status(), "Flashing finished: " + std::to_string(blocks) + " blocks written");
    EXPECT_EQ(Pauses, std::vector<int>(static_cast<size_t>(blocks), 10));
    char first[64];
    std::snprintf(first, sizeof first, "Flashing address 1000...103F hex of %04X hex", end - 1);
    EXPECT_EQ(ProgressTexts.at(0), first);

    const auto lines = Listing();
    ASSERT_EQ(lines.size(), 1 + static_cast<size_t>((end + 15) / 16));
    EXPECT_EQ(lines[0], ChosenFile);
    EXPECT_EQ(lines[1], "0000 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ") << "the file listing from address 0";
    EXPECT_EQ(lines[0x100 + 1].substr(0, 17), "1000 2A C0 31 C0 ");

    w.close();
    EXPECT_TRUE(Form->isEnabled());
}

struct FlashCase {
    const char* Name;
    uint16_t FlashableStart;
    std::function<void(VirtualBoard&, std::string& file)> Prepare;
    std::vector<std::string> Requests;
    const char* Status;  // "<file>" stands for the chosen file's path
};

TEST_F(FlashTest, FlashStopsSafely)
{
    const auto app = [this](int count) { return HexFile("app.hex", 0x1000, Range(0x1000, count, AppByte)); };
    const std::vector<FlashCase> cases = {
        {"image ends at the start", 0x1000,
         [&](VirtualBoard&, std::string& f) { f = HexFile("low.hex", 0x0F00, Range(0x0F00, 0x100, AppByte)); },
         {"EF"}, "<file> holds nothing to program at or above the flashable start 0x1000"},
        {"all 0xFF", 0x1000,
         [&](VirtualBoard&, std::string& f) { f = HexFile("ff.hex", 0x1000, std::vector<uint8_t>(0x1100, 0xFF)); },
         {"EF"}, "<file> holds nothing to program at or above the flashable start 0x1000"},
        {"length not a multiple of 64", 0x1000, [&](VirtualBoard&, std::string& f) { f = app(100); },
         {"EF", "FE", "EE>1000", "EE<1000/EE", "EE>1040", "EE<1040/EE", "EC 1040", "ED 1040"},
         "Flashing finished: 2 blocks written"},
        {"unsupported firmware", 0x10FF, [&](VirtualBoard&, std::string& f) { f = app(64); }, {"EF"},
         "Error: Unsupported Firmware!"},
        {"failed start query", 0x1000,
         [&](VirtualBoard& b, std::string& f) {
             f = app(64);
             b.FailRequest[0xEF] = EPIPE;
         },
         {"EF"}, "Error: error sending control message: Broken pipe"},
        {"short start reply", 0x1000,
         [&](VirtualBoard& b, std::string& f) {
             f = app(64);
             b.ShortBy = 1;
         },
         {"EF"}, "Error: the board sent 1 of 2 bytes"},
        {"write fails in the middle", 0x1000,
         [&](VirtualBoard& b, std::string& f) {
             f = app(256);
             b.FailAfter = 4;  // 0xEF, 0xFE, the first block's two
         },
         {"EF", "FE", "EE>1000", "EE<1000/EE", "EE>1040"},
         "Flashing failed at address 0x1040: error sending control message: Broken pipe"},
        {"unplugged in the middle", 0x1000,
         [&](VirtualBoard& b, std::string& f) {
             f = app(256);
             Fs.UnplugAfter(b, 6);
         },
         {"EF", "FE", "EE>1000", "EE<1000/EE", "EE>1040", "EE<1040/EE"},
         "Flashing failed at address 0x1080: error sending control message: No such device"},
        {"unreadable file", 0x1000,
         [&](VirtualBoard&, std::string& f) {
             f = (WorkDir / "bad.hex").string();
             std::ofstream(f) << ":0100000011EF\r\n";  // checksum off by one
         },
         {}, "Error reading <file> line 1: checksum mismatch"},
        {"no file chosen", 0x1000, [&](VirtualBoard&, std::string& f) { f.clear(); }, {}, ""},
    };
    for (const FlashCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TearDown();
        SetUp();
        Open(c.FlashableStart);
        const auto before = Board->Flash;
        c.Prepare(*Board, ChosenFile);
        QTest::mouseClick(Window->Button9, Qt::LeftButton);
        EXPECT_EQ(Requests(), c.Requests);
        std::string status = c.Status;
        if (const auto at = status.find("<file>"); at != std::string::npos)
            status.replace(at, 6, ChosenFile);
        EXPECT_EQ(Status(), status);
        EXPECT_EQ(Board->BootWrites, 0);
        EXPECT_TRUE(Errors.empty());
        EXPECT_EQ(Fs.OpenFiles(), 0);
        if (c.Requests.size() <= 1) {
            EXPECT_EQ(Board->Flash, before) << "nothing programmed";
        }
    }
}

TEST_F(FlashTest, DumpListsTheWholeFlash)
{
    Open();
    QTest::mouseClick(Window->Button1, Qt::LeftButton);
    EXPECT_EQ(Requests(), Reads(128));
    EXPECT_EQ(Status(), "Reading flash");
    const auto lines = Listing();
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines[0], "0000  03 0A 11 18 1F 26 2D 34 3B 42 49 50 57 5E 65 6C ");
    EXPECT_EQ(lines[256], "1000  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
    EXPECT_EQ(lines[511].substr(0, 6), "1FF0  ");
    EXPECT_EQ(Window->FlashReadback.size(), 8192u);
}

TEST_F(FlashTest, VerifyComparesWhatTheFileDefinesAboveTheStartAndSummarisesFirst)
{
    Open();
    // The whole rewritable part, on a board with firmware in its boot section.
    ChosenFile = HexFile("app.hex", 0x1000, Range(0x1000, 0x1000, AppByte));
    for (int a = 0x1000; a < 0x2000; ++a)
        Board->Flash[static_cast<size_t>(a)] = AppByte(a);
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    auto expected = Reads(128);
    expected.insert(expected.begin(), "EF");
    EXPECT_EQ(Requests(), expected);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Hex file compared to AVR flash up to address 0x1FFF", "0 errors!"}));
    EXPECT_EQ(Status(), "Compared 4096 bytes the file defines, 0x1000 to 0x1FFF: 0 errors");

    // The first and last compared addresses count; the boot section is not compared.
    Board->Flash[0x0010] ^= 1;
    Board->Flash[0x1000] ^= 1;
    Board->Flash[0x1234] = 0;
    Board->Flash[0x1FFF] ^= 0x80;
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"error at address 1000", "error at address 1234",
                                                   "error at address 1FFF",
                                                   "Hex file compared to AVR flash up to address 0x1FFF",
                                                   "3 errors!"}));
    EXPECT_EQ(Status(), "Compared 4096 bytes the file defines, 0x1000 to 0x1FFF: 3 errors");

    // A file that flashes nothing has nothing to verify: said before the flash is read.
    ChosenFile = HexFile("boot.hex", 0, Range(0, 0x1000, BootByte));
    Board->Log.clear();
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Requests(), std::vector<std::string>{"EF"});
    EXPECT_EQ(Status(), ChosenFile + " defines nothing at or above the flashable start 0x1000 to compare");

    ChosenFile = HexFile("app.hex", 0x1000, Range(0x1000, 0x1000, AppByte));
    Board->Log.clear();
    Board->FailAfter = 11;
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Status(), "Reading flash failed at address 0x0280: error sending control message: Broken pipe");
    EXPECT_EQ(Listing().size(), 40u) << "the blocks read, and no comparison";
    EXPECT_EQ(Fs.OpenFiles(), 0);
}

TEST_F(FlashTest, WhatFlashWroteVerifiesOnABoardWithFirmwareInItsBootSection)
{
    Open();
    ChosenFile = QUORVEX_FLASH_DATA "/blink.hex";
    QTest::mouseClick(Window->Button9, Qt::LeftButton);
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Listing().back(), "0 errors!");
    EXPECT_EQ(Status(), "Compared 150 bytes the file defines, 0x1000 to 0x1095: 0 errors");
}

TEST_F(FlashTest, CheckVersionComparesTheNonRewritableFlash)
{
    const struct {
        uint16_t Start;
        int Blocks;
        const char* Last;
    } cases[] = {{0x1000, 64, "0FFF"}, {0x0FC0, 63, "0FBF"}, {0x0FC1, 64, "0FC0"}, {0, 1, "FFFFFFFF"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Start);
        TearDown();
        SetUp();
        Open(c.Start);
        ChosenFile = HexFile("boot.hex", 0, Range(0, c.Start ? c.Start : 64, BootByte));
        QTest::mouseClick(Window->Button10, Qt::LeftButton);
        auto expected = Reads(c.Blocks);
        expected.insert(expected.begin(), "EF");
        EXPECT_EQ(Requests(), expected);
        EXPECT_EQ(Listing(), (std::vector<std::string>{
                                 std::string("Hex file compared to AVR flash up to address 0x") + c.Last, "0 errors!"}));
        if (c.Start == 0)
            continue;
        // A difference at the last address below the start is found too.
        Board->Flash[c.Start - 1u] ^= 1;
        QTest::mouseClick(Window->Button10, Qt::LeftButton);
        EXPECT_EQ(Listing().front(), std::string("error at address ") + c.Last);
        EXPECT_EQ(Listing().back(), "1 errors!");
        EXPECT_EQ(Status(), "Compared " + std::to_string(c.Start) + " bytes, 0x0000 to 0x" + c.Last + ": 1 error");
    }
}

TEST_F(FlashTest, AbsentBoardRaisesTheNotFoundTexts)
{
    Open();
    ChosenFile = HexFile("app.hex", 0x1000, Range(0x1000, 64, AppByte));
    Fs.Unplug(*Board);
    QTest::mouseClick(Window->Button9, Qt::LeftButton);
    QTest::mouseClick(Window->Button1, Qt::LeftButton);
    EXPECT_EQ(Errors, (std::vector<std::string>{
                          "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !",
                          "Could not find USB device VELNOR-I2C with vid=$16C0 and pid=$5DC !"}));
}

// Each of the flasher's board operations under each fault of the virtual bus.
TEST_F(FlashTest, EveryOperationUnderEveryFault)
{
    const auto compared = [this] { return Errors.empty() && !Listing().empty() && Listing().back() == "0 errors!"; };
    const struct {
        const char* Name;
        QPushButton* TFormFlash::*Button;
        bool BootFile;  // else an image for above the boot section, which verify finds on the board
        int Mid;        // vendor transfers before the midway unplug
        std::function<bool()> Succeeded;
        const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
    } ops[] = {
        {"dump", &TFormFlash::Button1, true, 10,
         [this] { return Errors.empty() && Status() == "Reading flash" && Listing().size() == 512; }, "FFFFFFFFF"},
        {"verify", &TFormFlash::Button2, false, 10, compared, "FFFFFFFFF"},
        {"check version", &TFormFlash::Button10, true, 10, compared, "FFFFFFFFF"},
        {"flash", &TFormFlash::Button9, false, 6,
         [this] { return Errors.empty() && Status().starts_with("Flashing finished"); }, "FFFFFFFFF"},
    };
    for (const auto& op : ops) {
        std::string row;
        for (const FaultCase& fault : UsbfsFaults) {
            SCOPED_TRACE(std::string(op.Name) + " / " + fault.Name);
            TearDown();
            SetUp();
            Open();
            ChosenFile = op.BootFile ? HexFile("boot.hex", 0, Range(0, 0x1000, BootByte))
                                     : HexFile("app.hex", 0x1000, Range(0x1000, 256, AppByte));
            for (int a = 0x1000; a < 0x1100 && op.Button == &TFormFlash::Button2; ++a)
                Board->Flash[static_cast<size_t>(a)] = AppByte(a);
            const auto flash = Board->Flash;
            const auto kept = std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, EepromImage);
            InjectFault(Fs, *Board, fault, op.Mid);
            QTest::mouseClick(Window.get()->*op.Button, Qt::LeftButton);

            const char shown = ShownOutcome(Errors, Status(), op.Succeeded());
            row += shown;
            EXPECT_EQ(Board->BootWrites, 0);
            if (op.Button != &TFormFlash::Button9) {
                EXPECT_EQ(Board->Flash, flash) << "only the flash button writes";
            }
            EXPECT_TRUE(kept == std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, EepromImage));
            EXPECT_EQ(Fs.OpenFiles(), 0) << "no handle left open";

            // The operator's way back: close, let detection find the board, open again.
            Window->close();
            HealAndFindBoard();
            Form->Flash1Click();
            Errors.clear();
            QTest::mouseClick(Window->Button1, Qt::LeftButton);
            EXPECT_EQ(Listing().size(), 512u);
            EXPECT_EQ(Errors, std::vector<std::string>{});
        }
        EXPECT_EQ(row, op.Expect) << op.Name;
    }
}

}  // namespace
