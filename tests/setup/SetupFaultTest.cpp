// Each board operation of the setup dialog under each fault of the virtual
// bus: what the operator sees, that the dialog works with a sound board
// afterwards, that settings and EEPROM image stay, and no handle stays open.
#include <functional>

#include "SetupFixture.h"
#include "WindowFaults.h"

namespace {

class SetupFaults : public SetupTest {
protected:
    // The main window online without detection, the dialog created (not shown).
    void Prepare()
    {
        Dialog.reset();
        FormSetUp = nullptr;
        ResetToNothing();
        OpenOnline();
        Errors.clear();
        EepromImage.fill(0x5C);
    }

    auto Kept() const
    {
        return std::make_tuple(FxtalMHz, StartupFreqMHz, SpeedGrade, I2CAddress, Multiplier, Offset, UserInc,
                               FskShift, SelProduct, EepromImage);
    }

    bool Quiet() const { return Errors.empty() && DialogStatus().empty(); }

    void ChooseGrade(int grade)
    {
        Dialog->ComboBox1->setCurrentIndex(grade);
        emit Dialog->ComboBox1->activated(grade);
    }

    // A sound board again: a scan finds it (also under a new number) and takes a speed grade.
    void ExpectUsableAfterwards()
    {
        HealBoard(Fs, Board);
        EXPECT_TRUE(Dialog->isEnabled());
        Errors.clear();
        Dialog->Button5->click();
        ChooseGrade(2);
        EXPECT_EQ(Errors, std::vector<std::string>{});
        EXPECT_EQ(DialogStatus(), "");
        EXPECT_EQ(Board->SpeedGradeCode, 3);
        EXPECT_EQ(Fs.OpenFiles(), 0);
    }
};

struct SetupOp {
    const char* Name;
    std::function<void()> Run;
    int Mid;  // vendor transfers before the midway unplug
    std::function<bool()> Succeeded;
    // Kept by a failure; a field's own value is the operator's even when the board did not take it.
    bool KeepsSettings;
    const char* Expect;  // per fault: no board, stall, timeout, protocol, short, gone, midway, read-only, unopenable
};

TEST_F(SetupFaults, EveryOperationUnderEveryFault)
{
    const SetupOp ops[] = {
        {"show", [this] { Dialog->show(); }, 2, [this] { return Quiet() && !Devices.empty(); }, true, "FFFFFFFFF"},
        {"remember box", [this] { Dialog->CheckBox1->click(); },
         0, [this] { return Errors.empty() && Dialog->CheckBox1->isChecked(); }, true, "FFFFSFFFF"},
        {"speed grade", [this] { ChooseGrade(1); }, 1,
         [this] { return Errors.empty() && SpeedGrade == 1 && Dialog->ComboBox1->currentIndex() == 1; }, true,
         "FFFFSFFFF"},
        {"start-up frequency", [this] { TypeInto(Dialog->Edit4, "1"); }, 2,
         [this] { return Quiet() && !Board->Log.empty() && Board->Log.back().Result >= 0; }, false, "OFFFSOFFO"},
        {"calibrate", [this] { Dialog->Button1->click(); }, 2,
         [this] { return Errors.empty() && DialogStatus().starts_with("crystal frequency = "); }, true, "FFFFFFFFF"},
        {"ppm shift", [this] { Dialog->Button3->click(); }, 2,
         [this] { return Errors.empty() && DialogStatus().starts_with("Calibration and output frequency shifted"); },
         false, "FFFFSFFFF"},
        {"erase and reset", [this] { Dialog->Button2->click(); }, 256,
         [this] { return Errors.empty() && DialogStatus() == "EEPROM erased and AVR reset."; }, false, "FFFFSFFFF"},
    };
    for (const SetupOp& op : ops) {
        std::string row;
        for (const FaultCase& fault : UsbfsFaults) {
            SCOPED_TRACE(std::string(op.Name) + " / " + fault.Name);
            Prepare();
            const auto before = Kept();
            InjectFault(Fs, *Board, fault, op.Mid);
            op.Run();

            const char shown = ShownOutcome(Errors, DialogStatus(), op.Succeeded());
            row += shown;
            if (shown == 'F' && !Errors.empty()) {
                EXPECT_TRUE(NamesTheFailure(Errors[0])) << Errors[0];
            }
            if (shown != 'S' && op.KeepsSettings) {
                EXPECT_TRUE(Kept() == before) << "settings and EEPROM image kept";
            }
            EXPECT_EQ(EepromImage, std::get<9>(before));
            EXPECT_EQ(Fs.OpenFiles(), 0) << "no handle left open";
            ExpectUsableAfterwards();
        }
        EXPECT_EQ(row, op.Expect) << op.Name;
    }
}

}  // namespace
