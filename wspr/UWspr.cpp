#include "wspr/UWspr.h"

#include <QCloseEvent>
#include <QSignalBlocker>

#include <ctime>
#include <random>

#include "app/UQuorvex.h"
#include "mept/SymbolClock.h"
#include "support/BindHandler.h"
#include "support/Feedback.h"
#include "support/NumberText.h"
#include "support/ReadableColour.h"
#include "wspr/ClockState.h"

namespace {

// The precise timer may fire a millisecond or more late: it is armed this
// much early and the tick waits out the rest.
constexpr auto ArmEarly = std::chrono::milliseconds(2);
// How often the clock's state is asked again, in display ticks.
constexpr int ClockStateTicks = 20;

double FieldValue(const QLineEdit& edit, const char* field)
{
    double v = 0;
    if (!TryParseFloat(edit.text().toStdString(), v))
        throw WsprError(std::string(field) + " \"" + edit.text().toStdString() + "\" is not a number.");
    return v;
}

int WholeFieldValue(const QLineEdit& edit, const char* field)
{
    const double v = FieldValue(edit, field);
    if (!(v >= -1e6 && v <= 1e6) || v != static_cast<int>(v))
        throw WsprError(std::string(field) + " \"" + edit.text().toStdString() + "\" is not a whole number.");
    return static_cast<int>(v);
}

std::string UtcText(WsprUtc::time_point t)
{
    const std::time_t seconds = WsprUtc::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &utc);
    return text;
}

}  // namespace

TFormWspr::TFormWspr(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    PlaceControls();
    ShowFields();
    ConnectHandlers();
    Timer1->start();
    Guarded([this] { Timer1Timer(); });
}

TFormWspr::~TFormWspr()
{
    if (Beacon)
        Guarded([this] { StopBeacon(); });
}

void TFormWspr::ConnectHandlers()
{
    Bind(this, ButtonStart, &QPushButton::toggled, &TFormWspr::ButtonStartClick);
    for (QLineEdit* edit : {EditCall, EditLocator, EditAudio, EditShare, EditEvery, EditOff})
        Bind(this, edit, &QLineEdit::textChanged, &TFormWspr::FieldsChange);
    for (QComboBox* combo : {ComboPower, ComboBand})
        Bind(this, combo, &QComboBox::currentTextChanged, &TFormWspr::FieldsChange);
    Bind(this, RadioEvery, &QRadioButton::toggled, &TFormWspr::FieldsChange);
    Bind(this, Timer1, &QTimer::timeout, &TFormWspr::Timer1Timer);
    Bind(this, Timer2, &QTimer::timeout, &TFormWspr::Timer2Timer);
}

void TFormWspr::ShowFields()
{
    const auto text = [](const std::string& s) { return QString::fromStdString(s); };
    EditCall->setText(text(WsprFields.Call));
    EditLocator->setText(text(WsprFields.Locator));
    // A power the list does not hold (a hand-edited file) leaves the usual one.
    const int power = ComboPower->findText(text(WsprFields.Power));
    ComboPower->setCurrentIndex(power >= 0 ? power : ComboPower->findText(text(TWsprFields{}.Power)));
    ComboBand->setCurrentText(text(WsprFields.Dial));
    EditAudio->setText(text(WsprFields.Audio));
    (WsprFields.EveryNth ? RadioEvery : RadioShare)->setChecked(true);
    EditShare->setText(text(WsprFields.Share));
    EditEvery->setText(text(WsprFields.Every));
    EditOff->setText(text(WsprFields.Off));
    FieldsChange();  // what is kept is what is shown
}

void TFormWspr::FieldsChange()
{
    WsprFields = {EditCall->text().toStdString(),      EditLocator->text().toStdString(),
                  ComboPower->currentText().toStdString(), ComboBand->currentText().toStdString(),
                  EditAudio->text().toStdString(),     RadioEvery->isChecked(),
                  EditShare->text().toStdString(),     EditEvery->text().toStdString(),
                  EditOff->text().toStdString()};
}

void TFormWspr::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TFormWspr::FormClose()
{
    if (!Beacon)
        return;
    ReleaseStart();
    StopBeacon();
    if (FormMain)
        FormMain->Edit1_Exit();
}

void TFormWspr::ButtonStartClick()
{
    if (!ButtonStart->isChecked()) {
        StopBeacon();
        return;
    }
    try {
        StartBeacon();
    } catch (const QuorvexError& e) {
        // A field the beacon cannot use: said, and nothing runs.
        ReleaseStart();
        StatusBar1->setText(QString::fromStdString(e.what()));
        Beep();
    }
}

void TFormWspr::StartBeacon()
{
    if (FormMain && FormMain->CheckBox1->isChecked())
        throw WsprError("FSK keying holds the board: untick \"Enable FSK via CW-Key\" first.");
    const TWsprMessage message = MakeWsprMessage(EditCall->text().toStdString(), EditLocator->text().toStdString(),
                                                 ComboPower->currentText().toStdString());
    const std::array<double, 4> tones =
        WsprToneFrequencies(WsprDialHz(ComboBand->currentText().toStdString()), FieldValue(*EditAudio, "Audio offset"));
    std::array<double, 4> outputs;
    for (size_t k = 0; k < tones.size(); ++k)
        outputs[k] = OutputFrequencyOf(tones[k]);  // multiplier and offset as the main window applies them
    TWsprBeaconSettings settings{
        WsprTransmissions(message),
        PlanWsprTones(outputs, FxtalMHz, SpeedGrade),
        OutputFrequencyOf(FieldValue(*EditOff, "Off frequency") * 1000000),
        RadioShare->isChecked() ? WsprShareRule(WholeFieldValue(*EditShare, "Share of slots"))
                                : WsprEveryRule(WholeFieldValue(*EditEvery, "Every Nth slot")),
        std::random_device()(),
    };
    auto beacon = std::make_unique<TWsprBeacon>(std::move(settings));
    if (SteadyNowHook)
        beacon->Now = SteadyNowHook;
    if (UtcNowHook)
        beacon->UtcNow = UtcNowHook;
    if (!beacon->Link.Open())
        throw DeviceNotFoundError();
    // The once-a-second bus walk would hold up symbols; it resumes when the beacon stops.
    stoppedOnlineDetection_ = FormMain && FormMain->Timer1->isActive();
    if (stoppedOnlineDetection_)
        FormMain->Timer1->stop();
    Beacon = std::move(beacon);
    boardAway_ = false;
    toneHz_ = tones;
    ButtonStart->setText("Stop");
    StatusBar1->setText("Beacon started: " + QString::fromStdString(Beacon->Current().Text));
    Beacon->Poll();  // the off frequency until the first slot
    ShowReports(*Beacon);
    ShowProgress();
    ArmBeacon();
}

void TFormWspr::StopBeacon()
{
    Timer2->stop();
    if (!Beacon)
        return;
    const std::unique_ptr<TWsprBeacon> beacon = std::move(Beacon);
    ButtonStart->setText("Start");
    beacon->Stop();
    if (stoppedOnlineDetection_ && FormMain)
        FormMain->Timer1->start();
    stoppedOnlineDetection_ = false;
    StatusBar1->setText("Beacon stopped");
    ShowProgress();
    ShowReports(*beacon);
}

void TFormWspr::ReleaseStart()
{
    const QSignalBlocker quiet(ButtonStart);
    ButtonStart->setChecked(false);
}

void TFormWspr::Timer1Timer()
{
    LabelUtc->setText(QString::fromStdString("UTC " + UtcText(UtcNow())));
    if (clockStateAge_-- <= 0) {
        ShowClockState();
        clockStateAge_ = ClockStateTicks;
    }
    if (Beacon && !Beacon->Transmitting())
        ArmBeacon();  // the wait for a slot follows the clock if it was set meanwhile
    ShowProgress();
    if (!Beacon)
        return;
    ShowReports(*Beacon);
    // The report said the board went away; its return is said here.
    if (boardAway_ && !Beacon->BoardAway())
        StatusBar1->setText(WsprBoardBackText);
    boardAway_ = Beacon->BoardAway();
}

void TFormWspr::Timer2Timer()
{
    if (!Beacon)
        return;
    // A wake that moved away meanwhile (the clock was set) is only armed again.
    const auto wake = Beacon->NextWake();
    if (!SteadyNowHook && wake - TWsprBeacon::Clock::now() > 4 * ArmEarly) {
        ArmBeacon();
        return;
    }
    if (!SteadyNowHook)
        WaitUntil(wake);
    Beacon->Poll();
    ArmBeacon();
    ShowProgress();
}

void TFormWspr::ArmBeacon()
{
    const auto wait = Beacon->NextWake() - ArmEarly - TWsprBeacon::Clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(wait).count();
    Timer2->start(static_cast<int>(std::clamp<decltype(ms)>(ms, 0, 3600000)));
}

// Failures come from the beacon once per transmission, and are shown the
// way the keyers show theirs; from the display tick, not the symbol tick, so
// the message box never holds up a symbol.
void TFormWspr::ShowReports(TWsprBeacon& beacon)
{
    for (const std::string& report : beacon.TakeReports()) {
        StatusBar1->setText(QString::fromStdString(report));
        ShowRaisedError(report);
    }
}

void TFormWspr::ShowClockState()
{
    const TClockState state = ReadClockState();
    LabelClock->setText(QString::fromStdString(ClockStateText(state)));
    SetReadableTextColour(LabelClock, QPalette::WindowText, QPalette::Window,
                          state.Synchronized ? QColor() : QColor(Qt::red));
}

void TFormWspr::ShowProgress()
{
    if (!Beacon) {
        LabelNext->setText("Stopped");
        LabelSymbol->clear();
        ProgressBar1->setValue(0);
        Picture->SetSent(-1);
        return;
    }
    const TWsprTransmission& t = Beacon->Current();
    Picture->SetSymbols(t.Symbols);
    const TWsprSymbolClock& clock = Beacon->SymbolClock();
    if (!Beacon->Transmitting()) {
        const auto until = std::chrono::ceil<std::chrono::seconds>(WsprTransmissionStart(Beacon->NextSlot()) - UtcNow());
        LabelNext->setText(QString::fromStdString("Next slot " + UtcText(WsprTransmissionStart(Beacon->NextSlot())) +
                                                  " in " + std::to_string(until.count()) + " s: \"" + t.Text + "\""));
        std::string sent = std::to_string(Beacon->TransmissionsSent()) + " transmissions sent";
        if (Beacon->TransmissionsGivenUp() > 0)
            sent += ", " + std::to_string(Beacon->TransmissionsGivenUp()) + " given up while the board was away";
        LabelSymbol->setText(QString::fromStdString(sent));
        ProgressBar1->setValue(0);
        Picture->SetSent(-1);
        return;
    }
    const int k = clock.LastSent();
    if (Beacon->GivenUp()) {
        LabelNext->setText(QString::fromStdString("Given up, the board is away: \"" + t.Text +
                                                  "\" goes out in a later slot"));
        LabelSymbol->clear();
        ProgressBar1->setValue(0);
        Picture->SetSent(-1);
        return;
    }
    LabelNext->setText(QString::fromStdString("Transmitting \"" + t.Text + "\""));
    if (k >= 0) {
        const int tone = t.Symbols[static_cast<size_t>(k)];
        const double hz = toneHz_[static_cast<size_t>(tone)];
        LabelSymbol->setText(QString::fromStdString("Symbol " + std::to_string(k + 1) + " of 162: tone " +
                                                    std::to_string(tone) + ", " +
                                                    FormatGeneral(std::nearbyint(hz * 1000) / 1000) + " Hz"));
    }
    ProgressBar1->setValue(k + 1);
    Picture->SetSent(k);
}

WsprUtc::time_point TFormWspr::UtcNow() const
{
    return UtcNowHook ? UtcNowHook() : WsprUtc::now();
}
