// Board failures during the editors' reads and writes: nothing half-read is
// shown as the board's content, nothing is written without a backup, and a
// failure is never reported as success.
#include <cerrno>
#include <fstream>

#include "EditorFixture.h"
#include "WindowFaults.h"
#include "memory/EepromBoard.h"

namespace {

using EepromFaults = EditorTest;

TEST_F(EepromFaults, ReadFailingHalfWayShowsTheErrorAndNoHalfImage)
{
    StartEditors();
    Open(*Editor);
    BoardFailsFrom(100, EPIPE);
    Editor->ReadEEPROM2->trigger();

    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_TRUE(Errors[0].starts_with("Reading EEPROM failed at address 0x064")) << Errors[0];
    EXPECT_EQ(Status(*Editor), Errors[0]);
    for (const uint8_t b : EepromImage)
        ASSERT_EQ(b, 0xFF) << "cleared, not the first 100 bytes of the board";
    EXPECT_EQ(Listing(*Editor)[0], "0000  FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF ");

    // The error stays through edits and clearing, until a read succeeds.
    Editor->Clearbuffer1->trigger();
    EXPECT_EQ(Status(*Editor), Errors[0]);
    Board->FailRequest.clear();
    VendorTransferHook = nullptr;
    Editor->ReadEEPROM2->trigger();
    EXPECT_EQ(Status(*Editor), "");
    EXPECT_EQ(EepromImage, Board->Eeprom);
}

TEST_F(EepromFaults, OpeningWithoutABoardSaysSoInTheStatusLine)
{
    StartEditors();
    Fs.Unplug(*Board);
    Open(*Editor);
    EXPECT_TRUE(Status(*Editor).starts_with("Could not find USB device")) << Status(*Editor);
    EXPECT_TRUE(Errors.empty()) << "an expected condition, not an error box";
    EXPECT_EQ(Cell(*Editor, 2, 3), "FFFFFFFF");
}

TEST_F(EepromFaults, WriteFailingHalfWayNamesTheAddressAndTheBackup)
{
    StartEditors();
    Open(*Editor);
    const auto old = Board->Eeprom;
    EepromImage.fill(0x42);
    BoardFailsFrom(512 + 0x1A, EPIPE);  // after the backup read
    Editor->readEEPROM1->trigger();

    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_TRUE(Errors[0].starts_with("Writing EEPROM failed at address 0x01A")) << Errors[0];
    const auto backups = BackupFiles();
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(Errors[0].find("The board's previous EEPROM is in " + backups[0]), std::string::npos) << Errors[0];
    EXPECT_EQ(Status(*Editor), Errors[0]);
    EXPECT_EQ(HexImage(backups[0]), old);
    for (size_t a = 0; a < 0x1A; ++a)
        EXPECT_EQ(Board->Eeprom[a], 0x42);
    EXPECT_EQ(Board->Eeprom[0x1A], old[0x1A]);
    EXPECT_EQ(Status(*Editor).find("verified"), std::string::npos);
}

TEST_F(EepromFaults, NothingIsWrittenWhenTheBackupCannotBeMade)
{
    struct Case {
        const char* What;
        std::function<void(EditorTest&)> Inject;
        std::string Error;
    };
    StartEditors();
    Open(*Editor);
    const auto old = Board->Eeprom;
    for (const Case& c : std::initializer_list<Case>{
             {"backup read fails",
              [](EditorTest&) {},  // set below: the board stalls every read
              "Reading EEPROM failed at address 0x000"},
             {"backup folder cannot be made", [](EditorTest&) {}, "Cannot create folder "},
             {"no board", [](EditorTest&) {}, "Could not find USB device"},
         }) {
        Errors.clear();
        Board->Log.clear();
        const std::string what = c.What;
        if (what == "backup read fails")
            Board->FailRequest[0x11] = EPIPE;
        if (what == "backup folder cannot be made")
            std::ofstream(WorkDir / "data") << "a file where the folder should be";
        if (what == "no board")
            Fs.Unplug(*Board);
        EepromImage.fill(0x42);
        Editor->readEEPROM1->trigger();

        EXPECT_EQ(Requests(0x10), 0) << what;
        EXPECT_EQ(Board->Eeprom, old) << what;
        EXPECT_TRUE(BackupFiles().empty()) << what;
        ASSERT_EQ(Errors.size(), 1u) << what;
        EXPECT_NE(Errors[0].find(c.Error), std::string::npos) << what << ": " << Errors[0];
        EXPECT_EQ(Status(*Editor), Errors[0]) << what;
        for (const uint8_t b : EepromImage)
            ASSERT_EQ(b, 0x42) << what << ": the edited image is kept";

        Board->FailRequest.clear();
        std::filesystem::remove(WorkDir / "data");
        if (what == "no board")
            Fs.Plug(Board);
    }
}

TEST_F(EepromFaults, VerificationListsTheAddressesThatDiffer)
{
    StartEditors();
    Open(*Editor);
    EepromImage.fill(0x42);
    // The board stores something else at three addresses.
    VendorTransferHook = [](TVendorTransfer& t) {
        if (t.Request == 0x10 && (t.Value == 0x01A || t.Value == 0x100 || t.Value == 0x1FF))
            t.Index = 0x43;
    };
    Editor->readEEPROM1->trigger();
    EXPECT_TRUE(Errors.empty());
    EXPECT_TRUE(Status(*Editor).starts_with(
        "Verification failed: the board differs at 0x01A, 0x100, 0x1FF. Backup: "))
        << Status(*Editor);
}

TEST(EepromVerification, NamesEightAddressesThenCountsTheRest)
{
    const struct {
        std::vector<int> Differing;
        const char* Text;
    } cases[] = {
        {{}, "EEPROM written and verified"},
        {{0x1FF}, "Verification failed: the board differs at 0x1FF"},
        {{0, 1, 2, 3, 4, 5, 6, 0x1FF},
         "Verification failed: the board differs at 0x000, 0x001, 0x002, 0x003, 0x004, 0x005, 0x006, 0x1FF"},
        {{0, 1, 2, 3, 4, 5, 6, 7, 0x1FF},
         "Verification failed: the board differs at 0x000, 0x001, 0x002, 0x003, 0x004, 0x005, 0x006, 0x007 and 1 "
         "more address"},
    };
    for (const auto& c : cases) {
        TEepromImage wanted{}, found{};
        for (const int a : c.Differing)
            found[static_cast<size_t>(a)] = 1;
        EXPECT_EQ(VerifyText(wanted, found), c.Text);
    }
    TEepromImage all{};
    all.fill(0xFF);
    EXPECT_TRUE(VerifyText(TEepromImage{}, all).ends_with(", 0x007 and 504 more addresses"));
}

}  // namespace

namespace {

// Both editors, each of their board operations under each fault of the
// virtual bus.
class EditorFaults : public EditorTest {
protected:
    void Prepare()
    {
        FormEEPROM = nullptr;
        FormEEPROM_Orvel = nullptr;
        FilterEditor.reset();
        Editor.reset();
        ResetToNothing();
        std::filesystem::remove_all(WorkDir / "data");
        StartEditors();
        Errors.clear();
    }

    // The operator's way back after a board came back: close the editor, let
    // online detection find the board (under its new number), open it again.
    void ExpectUsableAfterwards(TEepromEditor& editor)
    {
        editor.close();
        HealAndFindBoard();
        Errors.clear();
        Open(editor);
        EXPECT_EQ(Errors, std::vector<std::string>{});
        EXPECT_EQ(Status(editor), "");
        EXPECT_TRUE(std::equal(EepromImage.begin(), EepromImage.begin() + 256, Board->Eeprom.begin()));
        EXPECT_EQ(Fs.OpenFiles(), 0);
    }

    // The board's EEPROM as it was, changed only by the writes it acknowledged.
    std::array<uint8_t, 512> AfterAcknowledgedWrites(std::array<uint8_t, 512> eeprom) const
    {
        for (const TransferRecord& r : Board->Log)
            if (r.Request == 0x10 && r.RequestType == 0x40 && r.Result >= 0)
                eeprom.at(r.Value) = static_cast<uint8_t>(r.Index);
        return eeprom;
    }
};

struct EditorOp {
    const char* Name;
    bool Writes;
    int Mid;  // vendor transfers before the midway unplug
    const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
};

TEST_F(EditorFaults, EveryOperationOfBothEditorsUnderEveryFault)
{
    const EditorOp ops[] = {
        {"open", false, 100, "FFFFFFFFF"},
        {"read", false, 100, "FFFFFFFFF"},
        {"write", true, 512 + 100, "FFFFFFFFF"},
    };
    for (const bool filterBoard : {false, true}) {
        for (const EditorOp& op : ops) {
            std::string row;
            for (const FaultCase& fault : UsbfsFaults) {
                const std::string cell = std::string(filterBoard ? "filter-board " : "") + op.Name + " / " + fault.Name;
                SCOPED_TRACE(cell);
                Prepare();
                TEepromEditor& editor = filterBoard ? static_cast<TEepromEditor&>(*FilterEditor) : *Editor;
                const size_t own = filterBoard ? 256 : 512;
                if (std::string(op.Name) != "open")
                    Open(editor);
                Errors.clear();
                EepromImage.fill(0x42);
                const auto image = EepromImage;
                const auto boardBefore = Board->Eeprom;
                Board->Log.clear();
                InjectFault(Fs, *Board, fault, op.Mid);
                if (std::string(op.Name) == "open")
                    Open(editor);
                else
                    (op.Writes ? editor.readEEPROM1 : editor.ReadEEPROM2)->trigger();

                const bool succeeded =
                    Errors.empty() && (op.Writes ? Status(editor).starts_with("EEPROM written and verified")
                                                 : Status(editor).empty());
                const char shown = ShownOutcome(Errors, Status(editor), succeeded);
                row += shown;
                if (shown == 'F') {
                    EXPECT_TRUE(NamesTheFailure(Status(editor))) << Status(editor);
                }
                if (op.Writes) {
                    EXPECT_EQ(EepromImage, image) << "the edited image is kept";
                    if (shown != 'S') {
                        EXPECT_EQ(Board->Eeprom, AfterAcknowledgedWrites(boardBefore));
                    }
                    EXPECT_EQ(BackupFiles().size(), Requests(0x10) > 0 ? 1u : 0u) << "no write without a backup";
                    if (fault.Kind == Fault::ReadOnly) {
                        EXPECT_TRUE(Status(editor).ends_with("replug the board. Nothing was written"))
                            << Status(editor);
                    }
                } else {
                    EXPECT_EQ(Board->Eeprom, boardBefore);
                    for (size_t a = 0; a < 512; ++a)
                        ASSERT_EQ(EepromImage[a], a >= own ? 0x42 : shown == 'S' ? boardBefore[a] : 0xFF)
                            << "address " << a << ": read whole or not at all";
                }
                EXPECT_EQ(Fs.OpenFiles(), 0) << "no handle left open";
                ExpectUsableAfterwards(editor);
            }
            EXPECT_EQ(row, op.Expect) << (filterBoard ? "filter-board " : "") << op.Name;
        }
    }
}

}  // namespace
