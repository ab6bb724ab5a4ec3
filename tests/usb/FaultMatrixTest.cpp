// Every board operation under every fault the virtual bus injects: what the
// operator is told, what the board holds afterwards, and what the program
// keeps. A failure is never reported as success and never replaces a value
// with bytes that did not arrive.
#include <cerrno>
#include <functional>

#include "UsbFixture.h"
#include "tests/common/UsbfsFaults.h"

namespace {

constexpr const char* NotFoundRaised = "raised: Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !";
constexpr const char* NoPermission =
    "raised: Warning: cannot query manufacturer for device: error sending control message: Operation not permitted. "
    "The board is present but this user may not use it: install the udev rule 60-quorvex.rules (see the README), "
    "then unplug and replug the board.";

TCalibrationWord g_word;  // the output of the word reads

struct OpCase {
    const char* Name;
    std::function<std::string()> Run;
    bool Fsk;               // on the kept handle, quiet on failure
    const char* Success;    // the outcome with a sound board
    const char* NotFound;   // without a board
    const char* FirstSite;  // where a failing first transfer is reported; null: quiet
    int Mid;                // vendor transfers made before the unplug of the midway case
    const char* MidSite;    // where that is reported
    const char* ShortRead;  // outcome of one-byte-short replies; null: not affected
};

std::string Flag(bool b)
{
    return b ? "true" : "false";
}

const std::vector<OpCase>& Operations()
{
    static const std::vector<OpCase> ops = {
        {"SetFrequency", [] { return Flag(SetFrequency(14000000)); }, false, "true", NotFoundRaised,
         "Writing the Si570 registers failed at I2C address 0x55", 0,
         "Writing the Si570 registers failed at I2C address 0x55", nullptr},
        {"SetFrequencyFast", [] { return Flag(SetFrequencyFast(14000000)); }, true, "true", nullptr, nullptr, 0,
         nullptr, nullptr},
        // A board that left the bus ends the polling, its dead handle closed.
        {"PollFskKey", [] { return Flag(PollFskKey()); }, true, "true", "false", nullptr, 0, nullptr, "true"},
        {"CalibrateCrystal",
         [] {
             double crystal = 0, readBack = 0;
             return Flag(CalibrateCrystal(crystal, readBack, 56.32));
         },
         false, "true", "false", "Reading the Si570 registers failed at I2C address 0x55", 0,
         "Reading the Si570 registers failed at I2C address 0x55",
         "raised: Reading the Si570 registers failed at I2C address 0x55: the board sent 5 of 6 bytes"},
        {"SetRememberLastFrequency", [] { return Flag(SetRememberLastFrequency(true)); }, false, "true", "false",
         "Switching remember-last-frequency failed at I2C address 0x55", 0,
         "Switching remember-last-frequency failed at I2C address 0x55", nullptr},
        {"EraseEeprom", [] { return Flag(EraseEeprom()); }, false, "true", "false",
         "Writing EEPROM failed at address 0x000", 256, "Writing EEPROM failed at address 0x100", nullptr},
        {"ReadEepromImage", [] { return Flag(ReadEepromImage()); }, false, "true", "false",
         "Reading EEPROM failed at address 0x000", 256, "Reading EEPROM failed at address 0x100",
         "raised: Reading EEPROM failed at address 0x000: the board sent 0 of 1 byte"},
        {"WriteEepromImage", [] { return Flag(WriteEepromImage()); }, false, "true", "false",
         "Writing EEPROM failed at address 0x000", 256, "Writing EEPROM failed at address 0x100", nullptr},
        {"ReadSpeedGrade", [] { return std::to_string(ReadSpeedGrade()); }, false, "1", "-1", nullptr, 0, nullptr,
         "-1"},
        {"SetSpeedGrade", [] { return Flag(SetSpeedGrade(1)); }, false, "true", "false",
         "Writing EEPROM failed at address 0x00F", 1, "Setting the speed grade failed", nullptr},
        {"ResetAvr", [] { return Flag(ResetAvr()); }, false, "true", "false", "Resetting the board failed", 0,
         "Resetting the board failed", nullptr},
        {"ReadXtalWord", [] { return Flag(ReadXtalWord(g_word)); }, false, "true", "false",
         "Reading EEPROM failed at address 0x002", 2, "Reading EEPROM failed at address 0x004",
         "raised: Reading EEPROM failed at address 0x002: the board sent 0 of 1 byte"},
        {"ReadStartupWord", [] { return Flag(ReadStartupWord(g_word)); }, false, "true", "false",
         "Reading EEPROM failed at address 0x017", 3, "Reading EEPROM failed at address 0x01A",
         "raised: Reading EEPROM failed at address 0x017: the board sent 0 of 1 byte"},
        {"WriteXtalWord", [] { return Flag(WriteXtalWord({1, 2, 3, 4})); }, false, "true", "false",
         "Writing EEPROM failed at address 0x002", 4, "Writing EEPROM failed at address 0x001", nullptr},
        {"WriteStartupFrequency", [] { return Flag(WriteStartupFrequency(56.32f)); }, false, "true", "false",
         "Writing EEPROM failed at address 0x017", 2, "Writing EEPROM failed at address 0x019", nullptr},
        {"LoadCalibration", [] { LoadCalibration(); return std::string("done"); }, false, "done", "done",
         "Reading EEPROM failed at address 0x017", 6, "Reading EEPROM failed at address 0x004",
         "raised: Reading EEPROM failed at address 0x017: the board sent 0 of 1 byte"},
    };
    return ops;
}

std::string Raised(const char* site, const char* libraryText)
{
    return std::string("raised: ") + site + ": error sending control message: " + libraryText;
}

std::string Expected(const OpCase& op, const FaultCase& f)
{
    switch (f.Kind) {
    case Fault::Errno:
        return op.FirstSite ? Raised(op.FirstSite, f.LibraryText) : op.Fsk ? op.Success : op.NotFound;
    case Fault::ShortRead:
        return op.ShortRead ? op.ShortRead : op.Success;
    case Fault::NoBoard:
    case Fault::GoneBefore:
    case Fault::CannotOpen:
        return op.Fsk && !op.NotFound ? op.Success : op.NotFound;
    case Fault::GoneMidway:
        return op.MidSite ? Raised(op.MidSite, f.LibraryText) : op.Fsk && !op.NotFound ? op.Success : op.NotFound;
    case Fault::ReadOnly:
        return NoPermission;
    }
    return {};
}

// What the program keeps that an operation may change.
struct ProgramState {
    std::array<uint8_t, 512> Image = EepromImage;
    double Fxtal = FxtalMHz;
    double Startup = StartupFreqMHz;
    int Grade = SpeedGrade;
    int KeyState = FskLastKeyState;
    TCalibrationWord Word = g_word;
    bool operator==(const ProgramState&) const = default;
};

std::string Outcome(const OpCase& op)
{
    try {
        return op.Run();
    } catch (const QuorvexError& e) {
        return std::string("raised: ") + e.what();
    }
}

class FaultMatrixTest : public UsbTest {
protected:
    std::shared_ptr<VirtualBoard> Board;
    std::array<uint8_t, 512> BoardEepromBefore{};

    void Prepare(const OpCase& op)
    {
        Fs.Clear();
        ResetDeviceLinkValues();
        Board = PlugBoard();
        for (size_t i = 0; i < Board->Eeprom.size(); ++i)
            Board->Eeprom[i] = static_cast<uint8_t>(i * 37 + 11);
        Board->Eeprom[EepromSpeedGrade] = 2;
        BoardEepromBefore = Board->Eeprom;
        EepromImage.fill(0xA5);
        FxtalMHz = 114.3;
        StartupFreqMHz = 55;
        SpeedGrade = 1;
        g_word = {9, 8, 7, 6};
        if (op.Fsk) {
            ASSERT_TRUE(OpenPersistent(true));
            FskBaseFrequency = 14000000;
            FskShiftedFrequency = 14000100;
            FskLastKeyState = 0;  // the board's key byte differs: a sound poll sends
        }
        Board->Log.clear();
    }

    // The board's EEPROM must hold what it held, changed only by the writes
    // it acknowledged.
    std::array<uint8_t, 512> EepromAfterAcknowledgedWrites() const
    {
        std::array<uint8_t, 512> expected = BoardEepromBefore;
        for (const TransferRecord& r : Board->Log)
            if (r.Request == 0x10 && r.RequestType == 0x40 && r.Result >= 0)
                expected.at(r.Value) = static_cast<uint8_t>(r.Index);
        return expected;
    }

    int VendorTransfers(bool succeeded) const
    {
        return static_cast<int>(std::count_if(Board->Log.begin(), Board->Log.end(), [&](const TransferRecord& r) {
            return r.RequestType != 0x80 && (r.Result >= 0) == succeeded;
        }));
    }
};

TEST_F(FaultMatrixTest, EveryOperationUnderEveryFault)
{
    for (const OpCase& op : Operations()) {
        for (const FaultCase& fault : UsbfsFaults) {
            // The kept handle is open before these faults could stop it opening.
            if (op.Fsk && (fault.Kind == Fault::ReadOnly || fault.Kind == Fault::CannotOpen))
                continue;
            SCOPED_TRACE(std::string(op.Name) + " / " + fault.Name);
            Prepare(op);
            const auto registersBefore = Board->Registers;
            InjectFault(Fs, *Board, fault, op.Mid);
            const ProgramState before;

            const std::string outcome = Outcome(op);
            EXPECT_EQ(outcome, Expected(op, fault));
            EXPECT_EQ(Fs.OpenFiles(), op.Fsk && outcome != "false" ? 1 : 0) << "no handle left open";

            const bool failed = fault.Kind != Fault::ShortRead || op.ShortRead;
            if (failed) {
                EXPECT_TRUE(ProgramState() == before) << "the program kept only what arrived";
                EXPECT_EQ(Board->Registers, registersBefore);
                EXPECT_EQ(Board->Eeprom, EepromAfterAcknowledgedWrites());
                const bool errnoFault = fault.Kind == Fault::Errno;
                EXPECT_EQ(VendorTransfers(false), errnoFault ? 1 : 0)
                    << "the operation ends at the failed transfer";
                if (fault.Kind == Fault::GoneMidway) {
                    EXPECT_EQ(VendorTransfers(true), op.Mid);
                }
                if (errnoFault) {
                    EXPECT_LT(Board->Log.back().Result, 0) << "nothing sent after the failure";
                }
            }
            OpenPersistent(false);
        }
    }
}

}  // namespace
