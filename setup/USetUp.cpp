#include "setup/USetUp.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QThread>

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "app/DesignLayout.h"
#include "app/UQuorvex.h"
#include "support/BindHandler.h"
#include "support/Feedback.h"
#include "support/FilteredField.h"
#include "support/NumberText.h"
#include "support/UUtils.h"
#include "setup/HexField.h"
#include "setup/ResetWait.h"

namespace {

constexpr double DesignPpi = 96;

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

// "Product    USB Port ID=5  Serial=2"
QString DeviceEntry(const TDevice& d)
{
    return Text(d.Product) + "  " + "  USB Port ID=" + QString::number(d.UsbPortId) + "  Serial=" + Text(d.Serial);
}

}  // namespace

TFormSetUp::TFormSetUp(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    PlaceControls();
    ConnectHandlers();
    Guarded([this] { FormCreate(); });
}

// A field with a key class filters what is typed and pasted into it; a pasted
// text must leave a number of the field's kind.
void TFormSetUp::BindEdit(QLineEdit* edit, void (TFormSetUp::*handler)(), std::optional<uint8_t> keyClass)
{
    Bind(this, edit, &QLineEdit::textChanged, handler);
    edit->installEventFilter(this);
    if (!keyClass)
        return;
    const bool hex = *keyClass == KeyClassHex;
    new TFilteredField(
        edit, [keyClass](char16_t& Key) { FilterKey(nullptr, Key, *keyClass); },
        [hex](const QString& text) {
            double number = 0;
            uint32_t address = 0;
            return hex ? TryParseHex32(text.toStdString(), address) : TryParseFloat(text.toStdString(), number);
        });
}

void TFormSetUp::ConnectHandlers()
{
    BindEdit(Edit1, &TFormSetUp::Edit1Change, KeyClassHex);
    BindEdit(Edit2, &TFormSetUp::Edit2Change, KeyClassFloat);
    BindEdit(Edit3, &TFormSetUp::Edit3Change, KeyClassFloat);
    BindEdit(Edit4, &TFormSetUp::Edit4Change, KeyClassFloat);
    BindEdit(Edit5, &TFormSetUp::Edit5Change, KeyClassFloat);
    BindEdit(Edit6, &TFormSetUp::Edit6Change, KeyClassFloat);
    BindEdit(Edit7, &TFormSetUp::Edit7Change, std::nullopt);  // any text
    // Changes the dialog makes itself run the handler explicitly (SetRememberBox)
    // or with CheckBoxGuard set.
    QObject::connect(CheckBox1, &QCheckBox::toggled, this,
                     [this] { Guarded([this] { CheckBox1Click(true); }); });
    Bind(this, ComboBox1, &QComboBox::activated, &TFormSetUp::ComboBox1Change);
    Bind(this, ComboDevs, &QComboBox::activated, &TFormSetUp::ComboDevsChange);
    Bind(this, ComboPPM, &QComboBox::activated, &TFormSetUp::ComboPPMChange);
    Bind(this, Button1, &QPushButton::clicked, &TFormSetUp::Button1Click);
    Bind(this, Button2, &QPushButton::clicked, &TFormSetUp::Button2Click);
    Bind(this, Button3, &QPushButton::clicked, &TFormSetUp::Button3Click);
    Bind(this, Button4, &QPushButton::clicked, &TFormSetUp::Button4Click);
    Bind(this, Button5, &QPushButton::clicked, &TFormSetUp::Button5Click);
}

bool TFormSetUp::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit)
        return QMainWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // Only the operator leaves a field: switching windows, opening a menu or
        // a rejected field taking the focus back does not validate this one.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool left = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
                          reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason;
        // Leaving runs the field's change handler again, through its one binding.
        if (left)
            emit edit->textChanged(edit->text());
    }
    return false;
}

void TFormSetUp::FormCreate()
{
    Edit1->setText(QString("%1").arg(I2CAddress, 2, 16, QChar('0')).toUpper());
    Edit2->setText(Text(FormatGeneral(Multiplier)));
    Edit3->setText(Text(FormatGeneral(Offset)));
    Edit4->setText(Text(FormatGeneral(StartupFreqMHz)));
    Edit5->setText(Text(FormatGeneral(UserInc)));
    Edit6->setText(Text(FormatGeneral(FskShift)));
    Edit7->setText(Text(SelProduct));
    const TDesignScale design(*this, DesignPpi);
    const int clientWidth = Label9->geometry().right() + 1 + design(10);
    const int clientHeight = ListBox1->geometry().bottom() + 1 + design(12);
    resize(clientWidth, clientHeight + statusBar()->sizeHint().height());
    // Last: without a board this raises, and the dialog is complete by then.
    CheckBox1->setChecked(MemoryOn == 1);
}

void TFormSetUp::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TFormSetUp::FormShow()
{
    Button5Click();
    if (Devices.empty())
        return;
    if (DeviceOnline) {
        const int grade = ReadSpeedGrade();
        if (grade >= 0)
            SpeedGrade = grade;
    }
    Edit4->setText(Text(FormatGeneral(StartupFreqMHz)));
    if (SpeedGrade < 0 || SpeedGrade >= ComboBox1->count())
        throw RangeError("Speed grade out of range: " + std::to_string(SpeedGrade));
    ComboBox1->setCurrentIndex(SpeedGrade);
}

bool TFormSetUp::FormCloseQuery()
{
    return !InputError;
}

void TFormSetUp::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    Guarded([this] { FormClose(); });
}

void TFormSetUp::FormClose()
{
    FormMain->Edit1_Exit();
}

// Escape closes the dialog as its close button does, with the same checks.
void TFormSetUp::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        close();
    else
        QMainWindow::keyPressEvent(event);
}

void TFormSetUp::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Guarded([this] { ComboPPMChange(); });
}

void TFormSetUp::RejectField(QLineEdit* edit, const char* message)
{
    StatusBar1->setText(message);
    InputError = true;
    Beep();
    edit->setFocus();
}

bool TFormSetUp::ValidateNumber(QLineEdit* edit, double& setting)
{
    StatusBar1->clear();
    InputError = false;
    double value = 0;
    if (!TryParseFloat(edit->text().toStdString(), value)) {
        RejectField(edit, "Enter valid number!");
        return false;
    }
    setting = value;
    return true;
}

void TFormSetUp::Edit1Change()
{
    StatusBar1->clear();
    InputError = false;
    const std::string text = Edit1->text().toStdString();
    if (!IsHexDigits(text)) {
        RejectField(Edit1, "Enter valid hexadecimal number!");
        return;
    }
    // An I2C address has 7 bits: a larger number is refused whole, not cut to its low byte.
    uint32_t value = 0;
    if (!TryParseHex32(text, value) || value > MaxI2CAddress) {
        RejectField(Edit1, "I2C address out of range: 00 to 7F hex");
        return;
    }
    I2CAddress = static_cast<uint8_t>(value);
    Label2->setText("hex  =  " + QString::number(I2CAddress) + " decimal");
    Label2->adjustSize();
}

void TFormSetUp::Edit2Change()
{
    ValidateNumber(Edit2, Multiplier);
}

void TFormSetUp::Edit3Change()
{
    ValidateNumber(Edit3, Offset);
}

void TFormSetUp::Edit4Change()
{
    if (!ValidateNumber(Edit4, StartupFreqMHz) || !DeviceOnline)
        return;
    // The board keeps it in single precision; beyond that range there is no such number.
    if (std::fabs(StartupFreqMHz) > FLT_MAX)
        throw RangeError("Start-up frequency out of range: " + FormatGeneral(StartupFreqMHz));
    WriteStartupFrequency(static_cast<float>(StartupFreqMHz));
}

void TFormSetUp::Edit5Change()
{
    ValidateNumber(Edit5, UserInc);
}

void TFormSetUp::Edit6Change()
{
    ValidateNumber(Edit6, FskShift);
}

void TFormSetUp::Edit7Change()
{
    if (SelProduct != Edit7->text().toStdString())
        ForgetChosenBoard();  // another product: another board
    SelProduct = Edit7->text().toStdString();
}

void TFormSetUp::CheckBox1Click(bool boxChanged)
{
    if (CheckBoxGuard)
        return;
    const bool on = CheckBox1->isChecked();
    // A board that did not take the setting keeps the box as it was.
    auto putBack = qScopeGuard([&] {
        if (!boxChanged)
            return;
        CheckBoxGuard = true;
        CheckBox1->setChecked(!on);
        CheckBoxGuard = false;
    });
    if (!SetRememberLastFrequency(on))
        throw DeviceNotFoundError();
    putBack.dismiss();
}

void TFormSetUp::SetRememberBox(bool on)
{
    const bool changed = CheckBox1->isChecked() != on;
    {
        const QSignalBlocker quiet(CheckBox1);
        CheckBox1->setChecked(on);
    }
    if (changed)
        CheckBox1Click(true);
    CheckBox1Click();
}

void TFormSetUp::ComboBox1Change()
{
    const int grade = ComboBox1->currentIndex();
    if (DeviceOnline) {
        // A transfer that fails leaves grade and choice as the board has them.
        // So does a board that is not found: the choice would claim a grade the board never got.
        auto putBack = qScopeGuard([this] { ComboBox1->setCurrentIndex(SpeedGrade); });
        if (!SetSpeedGrade(grade))
            throw DeviceNotFoundError();
        putBack.dismiss();
    }
    SpeedGrade = grade;
}

void TFormSetUp::Button5Click()
{
    ListBox1->clear();
    StatusBar1->clear();
    SelectedIndex = 0;
    Devices.clear();
    ComboDevs->clear();
    TReport report;
    EnumerateDevices(&report, Devices);
    for (const std::string& line : report)
        ListBox1->addItem(Text(line));
    if (Devices.empty()) {
        StatusBar1->setText("No VELNOR hardware found on USB buses!");
        ComboDevs->hide();
        return;
    }
    ComboDevs->show();
    for (const TDevice& d : Devices)
        ComboDevs->addItem(DeviceEntry(d));

    // The chosen board under its serial, wherever it is now; no other board
    // takes its place unasked: they are offered in the list.
    SelectedIndex = ChooseFromList(Devices);
    ComboDevs->setCurrentIndex(SelectedIndex);
    if (SelectedIndex < 0) {
        if (ChosenBoard.Presence == TBoardPresence::OtherPresent)
            StatusBar1->setText(Text(OtherBoardText()) + " Choose a board from the list.");
        return;
    }
    ComboDevsChange();
}

void TFormSetUp::ComboDevsChange()
{
    const int index = ComboDevs->currentIndex();
    if (index < 0 || index >= static_cast<int>(Devices.size()))
        throw RangeError("Board index out of range: " + std::to_string(index));
    const TDevice& d = Devices[static_cast<size_t>(index)];
    SelectedIndex = index;
    SelectBoard(d);
    SelSerial = d.Serial;
    StatusBar1->clear();
    if (!DeviceOnline)
        return;
    LoadCalibration();
    Edit4->setText(Text(FormatGeneral(StartupFreqMHz)));
}

void TFormSetUp::Button2Click()
{
    StatusBar1->clear();
    setEnabled(false);
    bool back = false;
    {
        const auto enable = qScopeGuard([this] { setEnabled(true); });
        if (!EraseEeprom())
            throw DeviceNotFoundError();
        back = ResetAndWait();
    }
    // The erased EEPROM no longer holds the remember flag; the board needs no telling.
    CheckBoxGuard = true;
    CheckBox1->setChecked(false);
    CheckBoxGuard = false;
    if (!back) {
        StatusBar1->setText(ErasedNotBackText);
        return;
    }
    StatusBar1->setText(ErasedText);
    FormMain->Edit1_Exit();
}

bool TFormSetUp::ResetAndWait()
{
    if (!ResetAvr())
        throw DeviceNotFoundError();
    setEnabled(false);
    const auto enable = qScopeGuard([this] { setEnabled(true); });
    return WaitForBoardAfterReset([this](int ms) { PauseForReset(ms); },
                                  [] {
                                      FormMain->Timer1Timer();
                                      return DeviceOnline;
                                  });
}

// No event loop while waiting: nothing can re-enter the device link, and a
// repaint keeps the dialog drawn.
void TFormSetUp::PauseForReset(int ms)
{
    repaint();
    if (ResetWaitSleepHook)
        ResetWaitSleepHook(ms);
    else
        QThread::msleep(static_cast<unsigned long>(ms));
}
