// Online detection and FSK keying of the main window, and how it tells the
// operator where the chosen board is.
#include "app/UQuorvex.h"

#include <QScopeGuard>

#include "support/NumberText.h"
#include "wspr/UWspr.h"

namespace {

const QColor Green(0, 255, 0);
const QColor Red(255, 0, 0);

// Starts a stopped timer; a running one keeps its phase.
void SetTimerEnabled(QTimer* timer, bool enabled)
{
    if (!enabled)
        timer->stop();
    else if (!timer->isActive())
        timer->start();
}

bool ChosenBoardMissing()
{
    return ChosenBoard.Presence == TBoardPresence::Absent || ChosenBoard.Presence == TBoardPresence::OtherPresent;
}

// What the status bar and the light's tooltip say while the chosen board is away.
QString MissingText(TBoardPresence presence = ChosenBoard.Presence)
{
    if (presence == TBoardPresence::OtherPresent)
        return QString::fromStdString(OtherBoardText()) + " Setup > General offers it.";
    return "board not found";
}

const QString FrequencySetText = "f(SI570) = ";

}  // namespace

void TFormMain::Timer1Timer()
{
    DeviceOnline = SelectDevice();
    ShowBoardState();
    // The status bar says where the chosen board is while it is away, and
    // no longer shows a frequency as set that no board makes; once the board
    // is back, the absence is no longer said.
    if (ChosenBoard.Presence == TBoardPresence::OtherPresent ||
        (!DeviceOnline && StatusBar1->text().startsWith(FrequencySetText)))
        StatusBar1->setText(MissingText());
    else if (DeviceOnline && (StatusBar1->text() == MissingText(TBoardPresence::OtherPresent) ||
                              StatusBar1->text() == MissingText(TBoardPresence::Absent)))
        StatusBar1->clear();
    if (DeviceOnline && SendOnConnect) {
        Edit1_Exit();
        SendOnConnect = false;
    } else if (DeviceOnline && ChosenBoard.FrequencyOwed) {
        // Back from a replug, it makes its start-up frequency: it gets what is wanted.
        if (RestoreFrequency())
            ShowFrequencySet(*WantedFrequencyHz);
    }
}

void TFormMain::ShowBoardState()
{
    Shape1->SetBrushColor(DeviceOnline ? Green : Red);
    if (!DeviceOnline)
        SetLabel2("Synthesizer offline");
    else if (Devices.size() == 1)
        SetLabel2("Synthesizer online");
    else
        SetLabel2(QString::number(Devices.size()) + " synthesizers online");
    QString tip;
    if (!DeviceOnline && ChosenBoard.Presence == TBoardPresence::OtherPresent)
        tip = MissingText();
    else if (DeviceOnline && ChosenBoard.Ambiguous)
        tip = "In use: the board at USB Port ID=" + QString::number(SelUsbPortId) +
              "; its serial number does not tell it from the others.";
    Shape1->setToolTip(tip);
    Label2->setToolTip(tip);
}

void TFormMain::ShowBoardMissing()
{
    Shape1->SetBrushColor(Red);
    SetLabel2("Synthesizer offline");
    const QString tip = ChosenBoard.Presence == TBoardPresence::OtherPresent ? MissingText() : QString();
    Shape1->setToolTip(tip);
    Label2->setToolTip(tip);
}

void TFormMain::ShowFrequencySet(double hz)
{
    QString text = FrequencySetText + QString::fromStdString(FormatGeneral(hz)) + " Hz";
    // Boards that cannot be told apart: which one got it.
    if (ChosenBoard.Ambiguous)
        text += " on USB Port ID=" + QString::number(SelUsbPortId);
    StatusBar1->setText(text);
}

void TFormMain::SendFrequency()
{
    // Found since the last box (or chosen afresh): a new absence gets its box.
    if (!ChosenBoardMissing())
        NotFoundShown = false;
    // Cleared first: a board that is gone or fails the transfer raises, and
    // the status bar must not go on showing a frequency as set.
    StatusBar1->clear();
    try {
        if (SetFrequency(Si570Frequency)) {
            ShowFrequencySet(Si570Frequency);
            FrequencySent = true;
        } else
            StatusBar1->setText(NotSupportedText);
    } catch (const DeviceNotFoundError&) {
        if (NotFoundShown) {
            StatusBar1->setText(MissingText());
            ShowBoardMissing();
            return;
        }
        NotFoundShown = true;
        throw;
    }
}

void TFormMain::Edit1_Leave()
{
    try {
        Edit1_Exit();
    } catch (const DeviceNotFoundError&) {
        StatusBar1->setText(MissingText());
        ShowBoardMissing();
    } catch (const std::exception& e) {
        StatusBar1->setText(QString::fromStdString(e.what()));
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
    // Keying polls the board itself; detection waits until it ends.
    SetTimerEnabled(Timer1, on && !Timer2->isActive());
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
        // The beacon sends on a handle of its own: the two would take turns on the board.
        if (FormWspr && FormWspr->Beacon) {
            StatusBar1->setText("FSK keying not started: the WSPR beacon is sending; stop it first.");
            return;
        }
        opened = OpenPersistent(true);
        if (!opened) {
            StatusBar1->setText("FSK keying not started: " + MissingText());
            return;
        }
        FskLastKeyState = -1;  // the first poll always sets a frequency
        FskBaseFrequency = Si570Frequency;
        FskShiftedFrequency = Si570Frequency + FskShift;
        SetTimerEnabled(Timer1, false);
        SetTimerEnabled(Timer2, true);
        SetTuningEnabled(false);
    } else {
        SetTimerEnabled(Timer2, false);
        SetTimerEnabled(Timer1, CheckBox2->isChecked());
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
    if (!PollFskKey())
        KeyedBoardGone();
}

// Keying ends with the board: the light goes off, the box unticks, and one
// message says why.
void TFormMain::KeyedBoardGone()
{
    CheckBox1->setChecked(false);
    if (CheckBox2->isChecked())
        DeviceOnline = false;
    StatusBar1->clear();  // no frequency is set any longer
    ShowBoardMissing();
    throw UsbError("FSK keying failed: the board has left the USB bus.");
}
