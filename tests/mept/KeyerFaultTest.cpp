// Each board operation of the keyer under each fault of the virtual bus:
// one message per transmission at most, the keyer sends again to a sound
// board, and no handle stays open but the running transmission's.
#include <functional>

#include "MeptFixture.h"
#include "WindowFaults.h"

namespace {

class KeyerFaults : public MeptTest {
protected:
    void Prepare()
    {
        Keyer.reset();
        F_MEPT = nullptr;
        ResetToNothing();
        OpenOnline();
        Errors.clear();
    }

    // The last frequency the program sent reached the board.
    bool Sent() const { return Errors.empty() && !SentFrequencies().empty() && Board->Log.back().Result >= 0; }
};

TEST_F(KeyerFaults, EveryOperationUnderEveryFault)
{
    const struct {
        const char* Name;
        std::function<void()> Arrange;  // with the board sound
        std::function<void()> Run;
        const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
    } ops[] = {
        {"symbols", [this] { Transmit("0123"); }, [this] { Tick(3); }, "FFFFSFFFF"},
        // The off frequency goes out on the transmission's handle, open before the file's access changed.
        {"release transmit", [this] { Transmit("0123", 1); }, [this] { ClickTransmit(); }, "FFFFSFSSS"},
        {"close", [this] { Transmit("0123", 1); }, [this] { Keyer->close(); }, "FFFFSFFFF"},
    };
    for (const auto& op : ops) {
        std::string row;
        for (const FaultCase& fault : UsbfsFaults) {
            SCOPED_TRACE(std::string(op.Name) + " / " + fault.Name);
            Prepare();
            op.Arrange();
            Board->Log.clear();
            const auto kept = std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, Frequency, EepromImage);
            InjectFault(Fs, *Board, fault, 1);
            op.Run();

            const char shown = ShownOutcome(Errors, "", Sent());
            row += shown;
            if (shown == 'F') {
                EXPECT_TRUE(NamesTheFailure(Errors[0])) << Errors[0];
            }
            EXPECT_TRUE(kept == std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, Frequency, EepromImage));
            // The one handle that may stay is the running transmission's.
            EXPECT_EQ(Fs.OpenFiles(), Keyer->Link.IsOpen() ? 1 : 0) << "no handle left open";
            EXPECT_TRUE(!Keyer->Link.IsOpen() || Keyer->Timer1->isActive());

            // A sound board, found again by a detection tick: the next transmission reaches it.
            HealAndFindBoard();
            if (Keyer->SpeedTransmit->isChecked())
                ClickTransmit();
            Errors.clear();
            Board->Log.clear();
            Transmit("0123", 2);
            EXPECT_TRUE(Sent());
        }
        EXPECT_EQ(row, op.Expect) << op.Name;
    }
}

}  // namespace
