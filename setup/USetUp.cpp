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

// Only printable characters go through the field's filter: Tab still moves
// the focus, Backspace and Delete still edit.
bool KeyDropped(const QKeyEvent& event, uint8_t keyClass)
{
    const QString text = event.text();
    return std::any_of(text.begin(), text.end(), [keyClass](QChar c) {
        char16_t key = c.unicode();
        if (c.isPrint())
            FilterKey(nullptr, key, keyClass);
        return key == 0;
    });
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

void TFormSetUp::CreateControls()
{
    setWindowTitle("Setup");
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto label = [client](const char* caption) { return new QLabel(caption, client); };
    auto edit = [client](const char* text) { return new QLineEdit(text, client); };
    auto pickList = [client](const QStringList& items) {
        auto* box = new QComboBox(client);
        box->addItems(items);
        return box;
    };

    Label1 = label("i2c-address");
    Edit1 = edit("55");
    Label2 = label("hex  =  85 decimal");
    Label3 = label("frequency multiplier");
    Edit2 = edit("1");
    Label4 = label("frequency offset");
    Edit3 = edit("0");
    Label16 = label("MHz");
    Label5 = label("(  fout = f * multiplier + offset  )");
    Label8 = label("mouse-wheel user increment");
    Edit5 = edit("12500");
    Label9 = label("Hz");
    CheckBox1 = new QCheckBox("SI570 remembers last frequency after power-up", client);
    Label6 = label("Factory Startup Frequency");
    Edit4 = edit("56.32");
    Label7 = label("MHz");
    Label15 = label("Si570 speed grade =");
    ComboBox1 = pickList({"A", "B", "C"});
    Button1 = new QPushButton("calibrate to factory startup frequency ", client);
    Label13 = label("shift calibration by ");
    ComboPPM = pickList({"+- 0.1 ppm", "+- 1 ppm", "+- 10 ppm", "+- 100 ppm", "+- 1000 ppm"});
    ComboPPM->setCurrentIndex(1);
    LabelHz = label("= +-0 Hz");
    Button3 = new QPushButton("shift calibration down", client);
    Button4 = new QPushButton("shift calibration up", client);
    for (QPushButton* shift : {Button3, Button4})
        shift->setToolTip("Note: delay of 2 seconds due to AVR reset if set by value!");
    Label14 = label("");
    Label12 = label("");
    for (QLabel* warning : {Label12, Label14}) {
        QFont larger = warning->font();
        larger.setPointSizeF(larger.pointSizeF() * 1.15);
        warning->setFont(larger);
        QPalette red = warning->palette();
        red.setColor(QPalette::WindowText, Qt::red);
        warning->setPalette(red);
    }
    Label11 = label("FSK shift");
    Edit6 = edit("100");
    Label10 = label("Hz");
    Button2 = new QPushButton("Erase EEPROM and reset AVR", client);
    Button2->hide();

    StatusBar1 = new QLabel;
    StatusBar1->setIndent(4);
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    ListBox1 = new QListWidget(client);
    Button5 = new QPushButton("Rescan USB Bus for Device", client);
    Edit7 = edit("VELNOR-I2C");
    ComboDevs = new QComboBox(client);
    ComboDevs->hide();
}

// Three columns on the left (caption, field, unit) and the device panel to
// their right, beyond the dialog's first width.
void TFormSetUp::PlaceControls()
{
    const TDesignScale design(*this, DesignPpi);
    constexpr int Caption = 12, Field = 190, Unit = 306, FieldWidth = 110;
    auto row = [&](QLabel* caption, QLineEdit* field, QLabel* unit, int top) {
        design.PlaceFitting(caption, Caption, top + 2, 170, 20);
        design.Place(field, Field, top, FieldWidth, 24);
        if (unit)
            design.PlaceFitting(unit, Unit, top + 2, 30, 20);
    };
    row(Label1, Edit1, nullptr, 12);
    Edit1->resize(design(44), Edit1->height());
    design.PlaceFitting(Label2, Field + 52, 14, 120, 20);
    row(Label3, Edit2, nullptr, 44);
    row(Label4, Edit3, Label16, 76);
    design.PlaceFitting(Label5, Caption, 104, 300, 20);
    row(Label8, Edit5, Label9, 130);
    design.PlaceFitting(CheckBox1, Caption, 162, 320, 22);
    row(Label6, Edit4, Label7, 192);
    design.PlaceFitting(Label15, Caption, 226, 170, 20);
    design.Place(ComboBox1, Field, 224, 56, 24);
    design.PlaceFitting(Button1, Caption, 260, 290, 28);
    design.PlaceFitting(Label13, Caption, 298, 120, 20);
    design.Place(ComboPPM, 136, 296, 110, 24);
    design.PlaceFitting(LabelHz, 254, 298, 90, 20);
    design.PlaceFitting(Button3, Caption, 330, 160, 28);
    design.PlaceFitting(Button4, 180, 330, 160, 28);
    design.PlaceFitting(Label12, Caption, 364, 320, 22);
    design.PlaceFitting(Label14, Caption, 388, 320, 22);
    row(Label11, Edit6, Label10, 418);
    design.PlaceFitting(Button2, Caption, 450, 200, 28);

    // Fonts differ between systems: the unit column moves right, and the
    // fields widen, until nothing on the left reaches past Label9.
    Label2->setText("hex  =  255 decimal");
    Label2->adjustSize();
    int needed = 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, Label5, CheckBox1, Button1, LabelHz, Button4})
        needed = std::max(needed, w->geometry().right());
    const int shift = std::max(0, needed - Label9->geometry().right());
    for (QLabel* unit : {Label16, Label9, Label7, Label10})
        unit->move(unit->x() + shift, unit->y());
    for (QLineEdit* field : {Edit2, Edit3, Edit5, Edit4, Edit6})
        field->resize(field->width() + shift, field->height());
    Label2->setText("hex  =  85 decimal");

    const int panel = Label9->geometry().right() + 1 + design(10) + design(12);
    const int bottom = Edit6->geometry().bottom() + design(12);
    design.PlaceFitting(Button5, 0, 12, 200, 28);
    Button5->move(panel, Button5->y());
    Edit7->setGeometry(Button5->geometry().right() + design(10), Button5->y(), design(170), Button5->height());
    ComboDevs->setGeometry(panel, design(48), Edit7->geometry().right() - panel + 1, design(24));
    ListBox1->setGeometry(panel, design(80), ComboDevs->width(), bottom - design(80));
}

void TFormSetUp::BindEdit(QLineEdit* edit, void (TFormSetUp::*handler)(), uint8_t keyClass)
{
    Bind(this, edit, &QLineEdit::textChanged, handler);
    edit->setProperty("keyClass", keyClass);
    edit->installEventFilter(this);
}

void TFormSetUp::ConnectHandlers()
{
    BindEdit(Edit1, &TFormSetUp::Edit1Change, KeyClassHex);
    BindEdit(Edit2, &TFormSetUp::Edit2Change, KeyClassFloat);
    BindEdit(Edit3, &TFormSetUp::Edit3Change, KeyClassFloat);
    BindEdit(Edit4, &TFormSetUp::Edit4Change, KeyClassFloat);
    BindEdit(Edit5, &TFormSetUp::Edit5Change, KeyClassFloat);
    BindEdit(Edit6, &TFormSetUp::Edit6Change, KeyClassFloat);
    BindEdit(Edit7, &TFormSetUp::Edit7Change, 0xFF);  // any character
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
    if (event->type() == QEvent::KeyPress)
        return KeyDropped(*static_cast<QKeyEvent*>(event), static_cast<uint8_t>(edit->property("keyClass").toUInt()));
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
