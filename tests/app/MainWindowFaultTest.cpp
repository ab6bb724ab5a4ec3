// Each board operation of the main window under each fault of the virtual
// bus: what the operator sees, that the window tunes a sound board
// afterwards, that settings and EEPROM image stay, and that no handle stays open.
#include <functional>

#include "AppFixture.h"
#include "WindowFaults.h"
#include "support/Feedback.h"

namespace {

class MainWindowFaults : public AppTest {
protected:
    // A fresh start: the board plugged in, the settings file (detection as given).
    void Prepare(bool onlineDetect)
    {
        ResetToNothing();
        Board = PlugBoard();
        for (size_t i = 0; i < Board->Eeprom.size(); ++i)
            Board->Eeprom[i] = static_cast<uint8_t>(i * 13 + 5);
        WriteSettings({{"OnlineDetect=", onlineDetect ? "1" : "0"}});
        EepromImage.fill(0x5C);
    }

    bool Tuned() const { return StatusText().starts_with("f(SI570) = "); }

    // The settings a failed operation must leave as they are.
    auto Kept() const
    {
        return std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, I2CAddress, Multiplier, Offset, UserInc,
                               FskShift, MemoryOn, SelProduct, EepromImage);
    }

    // The board healthy again (a replugged one found by a detection tick under
    // its new number): keying off, detection off, a typed digit tunes it.
    void ExpectUsableAfterwards()
    {
        Form->CheckBox1->setChecked(false);
        HealAndFindBoard();
        Errors.clear();
        SetEditText("14");
        TypeKeys("1");
        EXPECT_TRUE(Tuned()) << StatusText();
        EXPECT_EQ(Errors, std::vector<std::string>{});
        EXPECT_EQ(Fs.OpenFiles(), 0);
    }
};

struct MainOp {
    const char* Name;
    bool OnlineDetect;
    std::function<void()> Arrange;  // with the board sound
    std::function<void()> Run;
    int Mid;  // vendor transfers before the midway unplug
    std::function<bool()> Succeeded;
    const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
};

TEST_F(MainWindowFaults, EveryOperationUnderEveryFault)
{
    const auto start = [this] { Start(); };
    const auto tuned = [this] { return Tuned(); };
    const auto started = [this] { return Tuned() && Errors.empty(); };
    const auto keying = [this] {
        Start();
        Form->CheckBox1->setChecked(true);
    };
    const MainOp ops[] = {
        {"start", false, [] {}, start, 1, started, "OFFFPOFOO"},
        {"typing", false, start, [this] { TypeKeys("5"); }, 0, tuned, "OFFFSFFFF"},
        {"step button", false, start, [this] { Click(Form->Button2); }, 0, tuned, "OFFFSFFFF"},
        {"wheel", false, start, [this] { Wheel(120); }, 0, tuned, "OFFFSFFFF"},
        {"online tick", true, start, [this] { Guarded([&] { Form->Timer1Timer(); }); }, 0, tuned, "OFFFSOFOO"},
        // Keying that cannot start says why; a keyed board that leaves ends keying with one message.
        {"keying on", false, start, [this] { Form->CheckBox1->setChecked(true); }, 0,
         [this] { return Form->CheckBox1->isChecked() && Form->Timer2->isActive(); }, "FSSSSFSFF"},
        {"key poll", false, keying, [this] { Guarded([&] { Form->Timer2Timer(); }); }, 1,
         [this] { return FrequencyRequests(*Board) == 1 && Board->Log.back().Result >= 0; }, "OOOOOFOSS"},
    };
    for (const MainOp& op : ops) {
        std::string row;
        for (const FaultCase& fault : UsbfsFaults) {
            SCOPED_TRACE(std::string(op.Name) + " / " + fault.Name);
            Prepare(op.OnlineDetect);
            if (fault.Kind == Fault::NoBoard)
                InjectFault(Fs, *Board, fault, 0);
            op.Arrange();
            Board->Log.clear();
            Errors.clear();
            const auto before = Kept();
            if (fault.Kind != Fault::NoBoard)
                InjectFault(Fs, *Board, fault, op.Mid);
            if (Form)
                Form->StatusBar1->clear();
            op.Run();

            const char shown = ShownOutcome(Errors, StatusText(), op.Succeeded());
            row += shown;
            if (shown == 'F' && !Errors.empty()) {
                EXPECT_TRUE(NamesTheFailure(Errors[0])) << Errors[0];
            }
            if (shown != 'S') {
                EXPECT_TRUE(Kept() == before) << "settings and EEPROM image kept";
            }
            EXPECT_EQ(Fs.OpenFiles(), Form->CheckBox1->isChecked() ? 1 : 0) << "no handle left open";
            ExpectUsableAfterwards();
        }
        EXPECT_EQ(row, op.Expect) << op.Name;
    }
}

}  // namespace
