// The crystal calibration of the setup dialog: the one-step calibration
// against the factory start-up frequency, the ppm shifts and their step label.
#include <QScopeGuard>

#include "app/UQuorvex.h"
#include "setup/CalibrationMath.h"
#include "setup/USetUp.h"
#include "support/Errors.h"
#include "support/NumberText.h"

void TFormSetUp::Button1Click()
{
    StatusBar1->clear();
    const bool remember = CheckBox1->isChecked();
    // A calibration that does not complete (warned, or a transfer failed)
    // still leaves the remember setting as it was and puts the board back on
    // the shown frequency: it was left at its start-up frequency. What fails
    // here is not shown in a second box: the main window's status bar says
    // whether the frequency went out.
    bool completed = false;
    auto putBack = qScopeGuard([&] {
        if (completed)
            return;
        try {
            SetRememberBox(remember);
        } catch (const QuorvexError&) {
            // The box shows what the board was told; the failure that ended the calibration is the one reported.
        }
        FormMain->Edit1_Leave();
    });
    // The start-up registers are only read back if the chip does not keep its last frequency.
    SetRememberBox(false);
    SetFrequency(0);
    double crystalMHz = FxtalMHz;
    double nominalMHz = 0;
    if (!CalibrateCrystal(crystalMHz, nominalMHz, StartupFreqMHz))
        throw DeviceNotFoundError();
    if (!CrystalInWindow(crystalMHz)) {
        // A crystal outside the window means a wrong start-up frequency, not a
        // better calibration: the one we have stays in use.
        StatusBar1->setText(CrystalOutsideText);
        Label12->setText(WrongStartupText);
        Label14->setText(QString::fromStdString(StartupNearText(nominalMHz)));
        Label12->adjustSize();
        Label14->adjustSize();
        return;
    }
    SetRememberBox(remember);
    // Only a crystal the board has stored is reported and used.
    if (!WriteXtalWord(XtalMHzToWord(crystalMHz)))
        throw DeviceNotFoundError();
    completed = true;
    FxtalMHz = crystalMHz;
    StatusBar1->setText(QString::fromStdString(CrystalFoundText(FxtalMHz)));
    Label12->clear();
    Label14->clear();
    FormMain->Edit1_Exit();
}

void TFormSetUp::ShiftCalibration(const std::array<double, 5>& factors)
{
    StatusBar1->clear();
    const double shiftedMHz = FxtalMHz * PpmFactor(factors, ComboPPM->currentIndex());
    // A write that fails half-way: the board goes back to the shown frequency
    // with the crystal in use (a failure of that is said in the main window).
    auto reapply = qScopeGuard([] { FormMain->Edit1_Leave(); });
    const bool stored = WriteXtalWord(XtalMHzToWord(shiftedMHz));
    reapply.dismiss();
    FxtalMHz = shiftedMHz;  // without a board it still tunes and is saved at exit
    if (!stored) {
        // Said once: re-applying would only raise the same absence again. The
        // next frequency set uses the shifted crystal.
        StatusBar1->setText("Board not found: the shift is used and saved at exit, but not stored on the board.");
        return;
    }
    StatusBar1->setText(ShiftedText);
    FormMain->Edit1_Exit();
}

void TFormSetUp::Button3Click()
{
    ShiftCalibration(PpmDownFactors);
}

void TFormSetUp::Button4Click()
{
    ShiftCalibration(PpmUpFactors);
}

void TFormSetUp::ComboPPMChange()
{
    ShowPpmStep();
}

void TFormSetUp::ShowPpmStep()
{
    LabelHz->setText("= +-" + QString::fromStdString(FormatGeneral(PpmStepHz(ComboPPM->currentIndex(), Frequency))) +
                     " Hz");
    LabelHz->adjustSize();
}
