// The self-flasher against a virtual board with 8 KiB of flash whose boot
// section below 0x1000 its firmware refuses to rewrite.
#include <QFileDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <cerrno>
#include <fstream>
#include <functional>

#include "AppFixture.h"
#include "WindowFaults.h"
#include "flash/UFlash.h"
#include "memory/UIntelHex.h"
#include "support/FileDialogs.h"

namespace {

std::vector<uint8_t> Range(int from, int count, uint8_t (*byte)(int address))
{
    std::vector<uint8_t> out(static_cast<size_t>(from + count), 0xFF);
    for (int a = from; a < from + count; ++a)
        out[static_cast<size_t>(a)] = byte(a);
    return out;
}

uint8_t BootByte(int address)
{
    return static_cast<uint8_t>(address * 7 + 3);
}

uint8_t AppByte(int address)
{
    return static_cast<uint8_t>(address ^ 0x5A);
}

class FlashTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        FlashSleepHook = [this](int ms) {
            Pauses.push_back(ms);
            ProgressTexts.push_back(Window->StatusBar1->text().toStdString());
        };
        FileDialogHook = [this](const QFileDialog& dialog) {
            ++DialogRuns;
            DialogFilters = dialog.nameFilters();
            DialogTitle = dialog.windowTitle().toStdString();
            return ChosenFile;
        };
    }

    void TearDown() override
    {
        FlashSleepHook = nullptr;
        FileDialogHook = nullptr;
        FormFlash = nullptr;
        Window.reset();
        AppTest::TearDown();
    }

    // The main window online, the flasher opened from its menu item; the
    // board's boot section holds firmware, the rest is erased.
    TFormFlash& Open(uint16_t flashableStart = 0x1000)
    {
        Board = std::make_shared<VirtualBoard>([&] {
            VirtualBoard::Config c = MakeBoard()->Settings();
            c.FlashableStart = flashableStart;
            return c;
        }());
        SelUsbPortId = static_cast<uint8_t>(Fs.Plug(Board));
        for (int a = 0; a < flashableStart; ++a)
            Board->Flash[static_cast<size_t>(a)] = BootByte(a);
        WriteSettings();
        Start();
        Window = std::make_unique<TFormFlash>();
        FormFlash = Window.get();
        Form->Flash1Click();
        Board->Log.clear();
        return *Window;
    }

    std::string HexFile(const std::string& name, int start, const std::vector<uint8_t>& image)
    {
        const auto path = (WorkDir / name).string();
        WriteIntelHex(path, start, static_cast<int>(image.size()) - start, image);
        return path;
    }

    // The flash requests the board received: "EF", "FE", "EE>1000" (out),
    // "EE<1000/EE" (in, with wValue when it is not 0), "EC 1040", "ED 1040".
    std::vector<std::string> Requests() const
    {
        std::vector<std::string> out;
        char text[32];
        for (const TransferRecord& r : Board->Log) {
            if (r.Request < 0xE0)
                continue;
            if (r.Request == 0xEE && r.RequestType == 0x40)
                std::snprintf(text, sizeof text, "EE>%04X", r.Index);
            else if (r.Request == 0xEE)
                std::snprintf(text, sizeof text, r.Value ? "EE<%04X/%02X" : "EE<%04X", r.Index, r.Value);
            else if (r.Request == 0xEC || r.Request == 0xED)
                std::snprintf(text, sizeof text, "%02X %04X", r.Request, r.Index);
            else
                std::snprintf(text, sizeof text, "%02X", r.Request);
            out.push_back(text);
        }
        return out;
    }

    std::vector<std::string> Listing() const
    {
        std::vector<std::string> lines;
        for (int i = 0; i < Window->ListBox1->count(); ++i)
            lines.push_back(Window->ListBox1->item(i)->text().toStdString());
        return lines;
    }

    std::string Status() const { return Window->StatusBar1->text().toStdString(); }

    std::unique_ptr<TFormFlash> Window;
    std::string ChosenFile;
    int DialogRuns = 0;
    QStringList DialogFilters;
    std::string DialogTitle;
    std::vector<int> Pauses;
    std::vector<std::string> ProgressTexts;
};

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
         {"EF"}, ""},
        {"all 0xFF", 0x1000,
         [&](VirtualBoard&, std::string& f) { f = HexFile("ff.hex", 0x1000, std::vector<uint8_t>(0x1100, 0xFF)); },
         {"EF"}, ""},
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
         {"EF"}, "Error reading <file>"},
        {"no file chosen", 0x1000, [&](VirtualBoard&, std::string& f) { f.clear(); }, {"EF"}, ""},
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
        if (c.Requests.size() == 1) {
            EXPECT_EQ(Board->Flash, before) << "nothing programmed";
        }
    }
}

std::vector<std::string> Reads(int blocks)
{
    std::vector<std::string> out;
    char text[16];
    for (int k = 0; k < blocks; ++k) {
        std::snprintf(text, sizeof text, "EE<%04X", 64 * k);
        out.push_back(text);
    }
    return out;
}

TEST_F(FlashTest, DumpListsTheWholeFlash)
{
    Open();
    QTest::mouseClick(Window->Button1, Qt::LeftButton);
    EXPECT_EQ(Requests(), Reads(128));
    EXPECT_EQ(Status(), "") << "read: the line no longer says it is reading";
    const auto lines = Listing();
    ASSERT_EQ(lines.size(), 512u);
    EXPECT_EQ(lines[0], "0000  03 0A 11 18 1F 26 2D 34 3B 42 49 50 57 5E 65 6C ");
    EXPECT_EQ(lines[256], "1000  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");
    EXPECT_EQ(lines[511].substr(0, 6), "1FF0  ");
    EXPECT_EQ(Window->FlashReadback.size(), 8192u);
}

TEST_F(FlashTest, VerifyReportsEveryDifferenceAndNothingFromBlocksNotRead)
{
    Open();
    ChosenFile = HexFile("boot.hex", 0, Range(0, 0x1000, BootByte));
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Requests(), Reads(128));
    EXPECT_EQ(Listing(), (std::vector<std::string>{"Hex file compared to AVR flash up to address 0x1FFF", "0 errors!"}));

    Board->Flash[0x10] ^= 1;
    Board->Flash[0x1234] = 0;
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"error at address 0010", "error at address 1234",
                                                   "Hex file compared to AVR flash up to address 0x1FFF",
                                                   "2 errors!"}));

    Board->Log.clear();
    Board->FailAfter = 10;
    QTest::mouseClick(Window->Button2, Qt::LeftButton);
    EXPECT_EQ(Status(), "Reading flash failed at address 0x0280: error sending control message: Broken pipe");
    EXPECT_EQ(Listing().size(), 40u) << "the blocks read, and no comparison";
    EXPECT_EQ(Fs.OpenFiles(), 0);
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
    }
}

TEST_F(FlashTest, EachOpenDialogSaysWhichFileItWants)
{
    const struct {
        QPushButton* TFormFlash::*Button;
        const char* Title;
    } cases[] = {
        {&TFormFlash::Button10, "Check Version: open the firmware's HEX file to compare with the board's boot section"},
        {&TFormFlash::Button2, "Verify firmware: open the HEX file to compare with the board's flash"},
        {&TFormFlash::Button9, "Flash: open the firmware HEX file to program into the board"},
    };
    Open();
    for (const auto& c : cases) {
        DialogTitle.clear();
        QTest::mouseClick(Window.get()->*c.Button, Qt::LeftButton);
        EXPECT_EQ(DialogTitle, c.Title);
    }
}

TEST_F(FlashTest, AbsentBoardRaisesTheNotFoundTexts)
{
    Open();
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
        bool BootFile;  // else an image for above the boot section
        int Mid;        // vendor transfers before the midway unplug
        std::function<bool()> Succeeded;
        const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
    } ops[] = {
        {"dump", &TFormFlash::Button1, true, 10,
         [this] { return Errors.empty() && Status() == "Reading flash" && Listing().size() == 512; }, "FFFFFFFFF"},
        {"verify", &TFormFlash::Button2, true, 10, compared, "FFFFFFFFF"},
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
            const auto flash = Board->Flash;
            const auto kept = std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, EepromImage);
            InjectFault(Fs, *Board, fault, op.Mid);
            QTest::mouseClick(Window.get()->*op.Button, Qt::LeftButton);

            const char shown = ShownOutcome(Errors, Status(), op.Succeeded());
            row += shown;
            EXPECT_EQ(Board->BootWrites, 0);
            if (op.BootFile) {
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
