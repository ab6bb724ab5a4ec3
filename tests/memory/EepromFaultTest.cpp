// Board failures during the editors' reads and writes: nothing half-read is
// shown as the board's content, nothing is written without a backup, and a
// failure is never reported as success.
#include <cerrno>
#include <fstream>

#include "EditorFixture.h"

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

}  // namespace
