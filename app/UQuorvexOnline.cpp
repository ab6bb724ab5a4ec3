// Online detection and FSK keying of the main window.
#include "app/UQuorvex.h"

#include <QScopeGuard>

namespace {

// Starts a stopped timer; a running one keeps its phase.
void SetTimerEnabled(QTimer* timer, bool enabled)
{
    if (!enabled)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

}  // namespace

void TFormMain::Timer1Timer()
{
    DeviceOnline = SelectDevice();
    Shape1->SetBrushColor(DeviceOnline ? QColor(0, 255, 0) : QColor(255, 0, 0));
    if (!DeviceOnline)
        SetLabel2("Synthesizer offline");
    else if (Devices.size() == 1)
        SetLabel2("Synthesizer online");
    else
        SetLabel2(QString::number(Devices.size()) + " synthesizers online");
    if (DeviceOnline && SendOnConnect) {
        Edit1_Exit();
        SendOnConnect = false;
    }
}

// Labels fit their text, as the layout expects.
void TFormMain::SetLabel2(const QString& text)
{
    Label2->setText(text);
    Label2->adjustSize();
}

void TFormMain::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    SetTimerEnabled(Timer1, on);
    Shape1->setVisible(on);
    Label2->setVisible(on);
    // Without detection the board is taken to be there.
    if (!on)
        DeviceOnline = true;
}

void TFormMain::CheckBox1Click()
{
    if (FskToggleGuard)
        return;
    if (CheckBox1->isChecked()) {
        bool opened = false;
        // Also when opening raises (a board this user may not use): a ticked
        // box would claim keying that never started.
        const auto untick = qScopeGuard([&] {
            if (opened)
                return;
            FskToggleGuard = true;
            CheckBox1->setChecked(false);
            FskToggleGuard = false;
        });
        opened = OpenPersistent(true);
        if (!opened)
            return;
        FskLastKeyState = -1;  // the first poll always sets a frequency
        FskBaseFrequency = Si570Frequency;
        FskShiftedFrequency = Si570Frequency + FskShift;
        SetTimerEnabled(Timer1, false);
        SetTimerEnabled(Timer2, true);
        SetTuningEnabled(false);
    } else {
        SetTimerEnabled(Timer2, false);
        SetTimerEnabled(Timer1, true);
        OpenPersistent(false);
        SetTuningEnabled(true);
    }
}

void TFormMain::SetTuningEnabled(bool enabled)
{
    for (QWidget* control :
         std::initializer_list<QWidget*>{Button1, Button2, Button3, Button4, Button5, Button6, Edit1, ComboBox1})
        control->setEnabled(enabled);
    Setup1->setEnabled(enabled);
}

void TFormMain::Timer2Timer()
{
    PollFskKey();
}
