#include "mept/U_MEPT.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QScopeGuard>
#include <QSignalBlocker>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "app/UQuorvex.h"
#include "mept/BeaconCheck.h"
#include "support/BindHandler.h"
#include "support/Errors.h"
#include "support/Feedback.h"
#include "support/FileDialogs.h"
#include "support/NumberText.h"

namespace {

// One character of the code per character of the field: what Latin-1 cannot
// hold becomes "?", a character that sends the off frequency.
std::string CodeText(const QLineEdit& edit)
{
    return edit.text().toLatin1().toStdString();
}

// While the board is away the schedule runs on; its next symbol after it is back reaches it.
const QString BoardAwayText = "Board not found: the beacon keeps its schedule and goes on when the board is back.";

// The number in a field, or an error that names the field by its caption.
double FieldValue(const QLabel& caption, const QLineEdit& edit)
{
    const std::string text = edit.text().toStdString();
    double value = 0;
    if (!TryParseFloat(text, value) || !std::isfinite(value))
        throw ConvertError(caption.text().toStdString() + ": '" + text + "' is not a number");
    return value;
}

std::string FirstLineOf(const std::string& path)
{
    if (std::filesystem::is_directory(path))
        throw FileError("Cannot read file " + path + ": " + std::strerror(EISDIR));
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw FileError("Cannot open file " + path + ": " + std::strerror(errno));
    std::string line;
    std::getline(file, line);
    if (file.bad())
        throw FileError("Cannot read file " + path + ": " + std::strerror(errno));
    if (line.ends_with('\r'))
        line.pop_back();
    return line;
}

}  // namespace

TF_MEPT::TF_MEPT(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    PlaceControls();
    ConnectHandlers();
    Guarded([this] { FormCreate(); });
}

void TF_MEPT::ConnectHandlers()
{
    Bind(this, EditCode, &QLineEdit::textChanged, &TF_MEPT::EditCodeChange);
    EditCode->installEventFilter(this);
    Bind(this, TrackBar1, &QSlider::valueChanged, &TF_MEPT::TrackBar1Change);
    Bind(this, SpeedTransmit, &QPushButton::toggled, &TF_MEPT::SpeedTransmitClick);
    Bind(this, Timer1, &TSymbolTimer::timeout, &TF_MEPT::Timer1Timer);
    Bind(this, Open1, &QAction::triggered, &TF_MEPT::Open1Click);
    Bind(this, Exit1, &QAction::triggered, &TF_MEPT::Exit1Click);
}

bool TF_MEPT::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == EditCode && event->type() == QEvent::FocusOut)
        Guarded([this] { EditCodeChange(); });
    return QMainWindow::eventFilter(watched, event);
}

void TF_MEPT::FormCreate()
{
    {
        const QSignalBlocker quiet(EditCode);
        EditCode->setText(QString::fromStdString(MEPT_Text));
    }
    SetClientSize(EditCode->geometry().right() + 1 + 5, centralWidget()->height());
    TrackBar1Change();
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(3);
    }
    TrackBar1Change();
}

void TF_MEPT::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TF_MEPT::FormClose()
{
    // The transmission ends here, and Transmit says so.
    {
        const QSignalBlocker quiet(SpeedTransmit);
        SpeedTransmit->setChecked(false);
    }
    StopTransmission();
    if (FormMain)
        FormMain->Edit1_Exit();
}

void TF_MEPT::Exit1Click()
{
    FormClose();
    hide();
}

void TF_MEPT::TrackBar1Change()
{
    Drawing.GraphSize = TrackBar1->value();
    Image->SetHeight(Drawing.PictureHeight());
    EditCodeChange();
    SetClientSize(width(), Image->geometry().bottom() + 1 + 10);
}

void TF_MEPT::EditCodeChange()
{
    DrawPreview();
    MEPT_Text = EditCode->text().toStdString();
}

void TF_MEPT::ClearPicture()
{
    Image->Clear(Drawing.PenWidth);
    Drawing.Clear();
}

void TF_MEPT::DrawPreview()
{
    Image->Clear(Drawing.PenWidth);
    for (const TMeptLine& line : ::DrawPreview(CodeText(*EditCode), Drawing))
        Image->DrawLine(line);
}

void TF_MEPT::SpeedTransmitClick()
{
    SendFailureShown = false;
    StartOrStop();
}

void TF_MEPT::StartOrStop()
{
    if (SpeedTransmit->isChecked())
        StartTransmission();
    else
        StopTransmission();
}

void TF_MEPT::StartTransmission()
{
    // All three fields are checked before anything changes: a start that is
    // refused leaves the keyer as it was and Transmit released, and a refused
    // restart at the end of the code ends the beacon.
    double spacing = 0, off = 0;
    int symbolMs = 0;
    try {
        spacing = FieldValue(*Label3, *Edit2);
        off = FieldValue(*Label5, *Edit3) * 1000000;
        symbolMs = SymbolTimeMsOf(FieldValue(*Label1, *Edit1));
        // The timer cannot tick sooner: nothing would ever be sent.
        if (symbolMs <= 0)
            throw RangeError(Label1->text().toStdString() + ": '" + Edit1->text().toStdString() +
                             "' is too short, a symbol lasts at least 0.001 seconds");
    } catch (const QuorvexError&) {
        {
            const QSignalBlocker quiet(SpeedTransmit);
            SpeedTransmit->setChecked(false);
        }
        if (Timer1->isActive())
            SendQuietly([this] { StopTransmission(); });
        throw;
    }
    const double keptSpacing = FrequencySpacing;
    const double keptOff = OffFrequency;
    Transmission.Start(CodeText(*EditCode));
    FrequencySpacing = spacing;
    OffFrequency = off;
    SymbolTimeMs = symbolMs;
    if (RefusedFrequencies(keptSpacing, keptOff))
        return;
    // A refusal ends here; a board still away is said until it is back.
    if (StatusBar1->text() != BoardAwayText)
        StatusBar1->clear();
    ClearPicture();
    // No symbol now: the first goes out on the first tick.
    Timer1->setInterval(SymbolTimeMs);
    Timer1->start();
}

bool TF_MEPT::RefusedFrequencies(double keptSpacing, double keptOff)
{
    const std::string refusal =
        BeaconRefusal({Transmission.PendingCode, Frequency, FrequencySpacing, OffFrequency}, FxtalMHz, SpeedGrade,
                      OutputFrequencyOf);
    if (refusal.empty())
        return false;
    Timer1->stop();
    Transmission.PendingCode.clear();
    FrequencySpacing = keptSpacing;
    OffFrequency = keptOff;
    {
        const QSignalBlocker quiet(SpeedTransmit);
        SpeedTransmit->setChecked(false);
    }
    StatusBar1->setText(QString::fromStdString(refusal));
    return true;
}

void TF_MEPT::StopTransmission()
{
    Timer1->stop();
    StatusBar1->clear();
    const auto release = qScopeGuard([this] { Link.Close(); });
    Send(OffFrequency);
}

void TF_MEPT::TransmitTick()
{
    const TMeptTick tick = Transmission.Tick(Drawing);
    if (tick.IntervalFactor > 0)
        Timer1->setInterval(SymbolTimeMs * tick.IntervalFactor);
    if (tick.Stop) {
        {
            const QSignalBlocker quiet(SpeedTransmit);
            SpeedTransmit->setChecked(false);
        }
        SendQuietly([this] { StopTransmission(); });
    }
    if (tick.Line)
        Image->DrawLine(*tick.Line);
    if (tick.Symbol)
        SendQuietly([this, value = *tick.Symbol] { SetSymbolFrequency(value); });
    // The code ran out on an earlier tick: while the button is down it starts again.
    if (Transmission.Finished)
        StartOrStop();
    if (Transmission.PendingCode.empty())
        Transmission.Finished = true;
}

void TF_MEPT::SetSymbolFrequency(int value)
{
    SymbolFrequency = SymbolFrequencyOf(value, Frequency, FrequencySpacing, OffFrequency);
    Send(SymbolFrequency);
}

void TF_MEPT::Send(double frequency)
{
    Si570Frequency = OutputFrequencyOf(frequency);
    WantedFrequencyHz = Si570Frequency;  // a board found again gets it at once
    if (DeviceOnline)
        SetFrequency(Si570Frequency, Link);
    else if (Timer1->isActive())
        StatusBar1->setText(BoardAwayText);
}

template <typename Action>
void TF_MEPT::SendQuietly(Action&& action)
{
    try {
        action();
        SendFailureShown = false;
        if (StatusBar1->text() == BoardAwayText && DeviceOnline)
            StatusBar1->clear();
    } catch (const QuorvexError& e) {
        if (dynamic_cast<const DeviceNotFoundError*>(&e))
            StatusBar1->setText(BoardAwayText);
        if (!SendFailureShown)
            ShowRaisedError(e.what());
        SendFailureShown = true;
    }
}

void TF_MEPT::Open1Click()
{
    QFileDialog OpenDialog(this);
    OpenDialog.setFileMode(QFileDialog::ExistingFile);
    OpenDialog.setAcceptMode(QFileDialog::AcceptOpen);
    const std::string path = RunFileDialog(OpenDialog);
    if (path.empty())
        return;
    EditCode->setText(QString::fromStdString(FirstLineOf(path)));
}
