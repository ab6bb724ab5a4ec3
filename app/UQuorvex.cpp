#include "app/UQuorvex.h"

#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <limits>

#include "app/DesignLayout.h"
#include "app/SettingsFile.h"
#include "app/UAbout.h"
#include "flash/UFlash.h"
#include "memory/UEEPROM.h"
#include "memory/UEEPROM_Orvel.h"
#include "mept/U_MEPT.h"
#include "net/UNetControl.h"
#include "setup/USetUp.h"
#include "support/BindHandler.h"
#include "support/Feedback.h"
#include "support/FilteredField.h"
#include "support/NumberText.h"
#include "support/UUtils.h"
#include "wspr/UWspr.h"

namespace {

constexpr double DesignPpi = 144;

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

// A window that stays beside the main window: shown, or brought to the front
// when it is already open behind others.
void BringUp(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

double UnitFactorOf(int unitIndex)
{
    if (unitIndex < 0 || unitIndex >= static_cast<int>(UnitFactor.size()))
        throw RangeError("Unit index out of range: " + std::to_string(unitIndex));
    return UnitFactor[static_cast<size_t>(unitIndex)];
}

double OutputFrequencyOf(double frequency)
{
    return Si570FrequencyOf(frequency, Multiplier, Offset);
}

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    CreateControls();
    CreateMenus();
    ConnectHandlers();
    Timer1->start();
    Guarded([this] { FormCreate(); });
}

void TFormMain::CreateControls()
{
    const TDesignScale design(*this, DesignPpi);
    setFont(SansSerifFont(8.5));
    auto* client = new QWidget(this);
    setCentralWidget(client);
    // On the window's own surface only: eventFilter keeps the controls from inheriting it.
    client->setToolTip("Right-Click to modify the mouse wheel increment");
    client->installEventFilter(this);
    const QFont large = SansSerifFont(12, true);

    Label1 = new QLabel("Frequency", client);
    Label1->setFont(large);
    design.PlaceFitting(Label1, 25, 12, 124, 29);
    // The design has the upper buttons reach 3 pixels into the field below
    // them, and the field 3 pixels into the unit list: on screen each ends
    // where the next begins, so every edge shows.
    auto button = [&](QPushButton*& b, const char* caption, int left, int top, int width) {
        b = new QPushButton(caption, client);
        design.Place(b, left, top, width, top < 86 ? 86 - top : 26);
    };
    button(Button1, "+M", 25, 63, 61);
    button(Button2, "+k", 86, 63, 62);
    button(Button3, "+", 148, 63, 61);
    Edit1 = new TWheelEdit("0", client);
    Edit1Font = large;
    Edit1->setFont(large);
    design.Place(Edit1, 25, 86, 208 - 25, 37);
    ComboBox1 = new QComboBox(client);
    ComboBox1->addItems({"Hz", "kHz", "MHz"});
    ComboBox1->setCurrentIndex(2);
    ComboBox1->setFont(large);
    design.Place(ComboBox1, 208, 86, 101, 37);
    button(Button4, "-M", 25, 129, 61);
    button(Button5, "-k", 86, 129, 62);
    button(Button6, "-", 148, 129, 61);

    Label2 = new QLabel(client);
    design.Place(Label2, 345, 20, 130, 20);
    SetLabel2("Synthesizer offline");
    Shape1 = new TShape(client);
    Shape1->SetBrushColor(QColor(255, 0, 0));
    design.Place(Shape1, 398, 92, 34, 33);
    CheckBox1 = new QCheckBox("Enable FSK via CW-Key", client);
    design.PlaceFitting(CheckBox1, 25, 172, 223, 26);
    CheckBox2 = new QCheckBox("Online detect", client);
    design.PlaceFitting(CheckBox2, 320, 172, 137, 26);

    StatusBar1 = new TStatusText;
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    Timer2 = new QTimer(this);
    Timer2->setInterval(10);
    Timer2->setTimerType(Qt::PreciseTimer);

    setTabOrder(ComboBox1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button5);
    setTabOrder(Button5, Button6);
    setTabOrder(Button6, Edit1);
    setTabOrder(Edit1, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
}

void TFormMain::CreateMenus()
{
    Exit1 = menuBar()->addAction("&Exit");
    Setup2 = menuBar()->addMenu("&Setup");
    Setup1 = Setup2->addAction("&General");
    EEPROMSetup1 = Setup2->addAction("&EEPROM");
    EEPROMSetup1->setVisible(false);
    EEPROM_Orvel = Setup2->addAction("&EEPROM");
    EEPROM_Orvel->setVisible(false);
    Flash1 = Setup2->addAction("&Flash");
    Special1 = menuBar()->addMenu("S&pecial");
    MEPT1 = Special1->addAction("&MEPT");
    WSPR1 = Special1->addAction("&WSPR beacon");
    NetControl1 = Special1->addAction("&Network control");
    About1 = menuBar()->addAction("&About");

    PopupMenu1 = new QMenu(this);
    N1Hz1 = AddIncrementItem("± 1 Hz", &TFormMain::N1Hz1Click);
    N10Hz1 = AddIncrementItem("± 10 Hz", &TFormMain::N10Hz1Click);
    N100Hz1 = AddIncrementItem("± 100 Hz", &TFormMain::N100Hz1Click);
    N1kHz1 = AddIncrementItem("± 1 kHz", &TFormMain::N1kHz1Click);
    N10kHz1 = AddIncrementItem("± 10 kHz", &TFormMain::N10kHz1Click);
    N100kHz1 = AddIncrementItem("± 100 kHz", &TFormMain::N100kHz1Click);
    N1MHz1 = AddIncrementItem("± 1 MHz", &TFormMain::N1MHz1Click);
    N10MHz1 = AddIncrementItem("± 10 MHz", &TFormMain::N10MHz1Click);
    N100MHz1 = AddIncrementItem("± 100 MHz", &TFormMain::N100MHz1Click);
    userinc1 = AddIncrementItem("± user inc.", &TFormMain::userinc1Click);
}

// A checkable item; choosing it moves the one check mark. Not an exclusive
// action group: the menu would draw its choice as a round bullet.
QAction* TFormMain::AddIncrementItem(const char* caption, void (TFormMain::*handler)())
{
    QAction* item = PopupMenu1->addAction(QString::fromUtf8(caption));
    item->setCheckable(true);
    connect(item, &QAction::triggered, this, [this, item] {
        for (QAction* other : PopupMenu1->actions())
            other->setChecked(other == item);
    });
    Bind(this, item, &QAction::triggered, handler);
    return item;
}

void TFormMain::ConnectHandlers()
{
    Bind(this, Button1, &QPushButton::clicked, &TFormMain::Button1Click);
    Bind(this, Button2, &QPushButton::clicked, &TFormMain::Button2Click);
    Bind(this, Button3, &QPushButton::clicked, &TFormMain::Button3Click);
    Bind(this, Button4, &QPushButton::clicked, &TFormMain::Button4Click);
    Bind(this, Button5, &QPushButton::clicked, &TFormMain::Button5Click);
    Bind(this, Button6, &QPushButton::clicked, &TFormMain::Button6Click);
    // Changes made by code apply through ShowDisplayValue, not through the signal.
    Bind(this, Edit1, &QLineEdit::textEdited, &TFormMain::Edit1_Exit);
    connect(Edit1, &QLineEdit::textChanged, this, &TFormMain::FitEdit1Text);
    Bind(this, ComboBox1, &QComboBox::activated, &TFormMain::ComboBox1Change);
    Bind(this, CheckBox1, &QCheckBox::toggled, &TFormMain::CheckBox1Click);
    Bind(this, CheckBox2, &QCheckBox::toggled, &TFormMain::CheckBox2Click);
    Bind(this, Timer1, &QTimer::timeout, &TFormMain::Timer1Timer);
    Bind(this, Timer2, &QTimer::timeout, &TFormMain::Timer2Timer);
    Bind(this, Exit1, &QAction::triggered, &TFormMain::Exit1Click);
    Bind(this, Setup1, &QAction::triggered, &TFormMain::Setup1Click);
    Bind(this, About1, &QAction::triggered, &TFormMain::About1Click);
    Bind(this, EEPROMSetup1, &QAction::triggered, &TFormMain::EEPROMSetup1Click);
    Bind(this, EEPROM_Orvel, &QAction::triggered, &TFormMain::EEPROM_OrvelClick);
    Bind(this, Flash1, &QAction::triggered, &TFormMain::Flash1Click);
    Bind(this, MEPT1, &QAction::triggered, &TFormMain::MEPT1Click);
    Bind(this, WSPR1, &QAction::triggered, &TFormMain::WSPR1Click);
    Bind(this, NetControl1, &QAction::triggered, &TFormMain::NetControl1Click);

    Edit1->OnMouseWheelUp = std::bind_front(&TFormMain::Edit1MouseWheelUp, this);
    Edit1->OnMouseWheelDown = std::bind_front(&TFormMain::Edit1MouseWheelDown, this);
    Edit1->setMouseTracking(true);
    Edit1->installEventFilter(this);
    // The field's menu holds the edit items and then the increment items; the
    // unit list shows the increment menu (contextMenuEvent).
    auto* keys = new TFilteredField(
        Edit1, [this](char16_t& Key) { Edit1KeyPress(Key); },
        [](const QString& text) {
            double value = 0;
            return TryParseFloat(text.toStdString(), value);
        });
    keys->MenuItems = PopupMenu1->actions();
    ComboBox1->setContextMenuPolicy(Qt::NoContextMenu);
}

void TFormMain::FormCreate()
{
    const TDesignScale design(*this, DesignPpi);
    // Room for the label's longest usual text too, so two boards read in full.
    const int label2Width =
        std::max(Label2->width(), Label2->fontMetrics().horizontalAdvance("2 synthesizers online"));
    const int clientWidth = Label2->x() + label2Width + design(10);
    const int clientHeight =
        CheckBox2->y() + CheckBox2->height() + statusBar()->sizeHint().height() + design(10);
    resize(clientWidth, menuBar()->sizeHint().height() + clientHeight);
    // The controls sit at fixed places: smaller, the status bar would cover them.
    setMinimumSize(size());
    EEPROMSetup1->setVisible(true);
    setWindowTitle("SI570-USB LCD-software by VELNOR");

    std::ifstream SettingsFile;
    if (!OpenTextForReading(SettingsFile, SettingsReadPath())) {
        // Detection runs from the start without settings; the box says so.
        CheckBox2->setChecked(true);
        return;
    }
    ReadSettings(SettingsFile, *ComboBox1, *CheckBox2);
    SettingsFile.close();

    DeviceOnline = SelectDevice();
    if (!DeviceOnline)
        CheckBox2->setChecked(true);
    CheckBox2Click();
    ShowDisplayValue(Frequency / UnitFactorOf(ComboBox1->currentIndex()));
    Edit1_Exit();
    if (DeviceOnline) {
        const int grade = ReadSpeedGrade();
        if (grade >= 0)
            SpeedGrade = grade;
        LoadCalibration();
    }
}

void TFormMain::FormClose()
{
    // The setup dialog's remember box is created from MemoryOn; without that
    // dialog, MemoryOn is what the box would show.
    const bool remember = FormSetUp ? FormSetUp->CheckBox1->isChecked() : MemoryOn == 1;
    WriteSettingsFile(SettingsWritePath(), SettingsText(ComboBox1->currentIndex(), remember, CheckBox2->isChecked()));
}

void TFormMain::FormTerminate()
{
    if (Terminating)
        return;
    Terminating = true;
    SaveWithoutAsking();
}

void TFormMain::SaveWithoutAsking()
{
    try {
        FormClose();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool close = Terminating;
    if (!close) {
        try {
            FormClose();
            close = true;
        } catch (const std::exception& e) {
            close = CloseWithoutSaving(e.what());
        }
    }
    // Settled while the question was open.
    if (close || Terminating)
        event->accept();
    else
        event->ignore();
}

// Keeping the window open is the default, so a hasty Enter loses nothing.
bool TFormMain::CloseWithoutSaving(const std::string& error)
{
    if (CloseUnsavedHook)
        return CloseUnsavedHook(error);
    QMessageBox box(QMessageBox::Warning, QApplication::applicationName(),
                    Text(error) + "\n\nThe settings could not be saved.", QMessageBox::NoButton, this);
    QPushButton* discard = box.addButton("Close without saving", QMessageBox::DestructiveRole);
    box.setDefaultButton(box.addButton("Keep open", QMessageBox::RejectRole));
    box.exec();
    return box.clickedButton() == discard;
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event)
{
    PopupMenu1->popup(event->globalPos());
    event->accept();
}

void TFormMain::Edit1_Exit()
{
    // The refusal speaks of the value refused; with another text in the field
    // it would mislead. What was set stays true of the board, so it stays.
    if (StatusBar1->text() == NotSupportedText)
        StatusBar1->clear();
    double value = 0;
    if (!TryParseFloat(Edit1->text().toStdString(), value)) {
        Edit1->setFocus();
        Beep();
        return;
    }
    Frequency = UnitFactorOf(ComboBox1->currentIndex()) * value;
    Si570Frequency = OutputFrequencyOf(Frequency);
    WantedFrequencyHz = Si570Frequency;  // a board found later gets it
    if (DeviceOnline)
        SendFrequency();
}

void TFormMain::ShowDisplayValue(double value)
{
    if (ShowFieldText(Text(FormatGeneral(value))))
        Edit1_Exit();  // else no change, so nothing to apply
}

bool TFormMain::ShowFieldText(const QString& text)
{
    if (Edit1->text() == text)
        return false;
    Edit1->setText(text);
    // Too long even in the smallest type: its leading digits show, never a
    // misleading tail. A value that fits keeps the cursor at its end for typing on.
    if (!Edit1->toolTip().isEmpty())
        Edit1->setCursorPosition(0);
    return true;
}

QString TFormMain::FieldTextOf(double frequency) const
{
    return Text(FormatGeneral(frequency / UnitFactorOf(ComboBox1->currentIndex())));
}

double TFormMain::FieldFrequencyOf(double frequency) const
{
    double shown = 0;
    if (!TryParseFloat(FieldTextOf(frequency).toStdString(), shown))
        return std::numeric_limits<double>::quiet_NaN();
    return UnitFactorOf(ComboBox1->currentIndex()) * shown;
}

// Applied whether the text changed or not: the board may have missed it.
bool TFormMain::EnterFrequency(double frequency)
{
    ShowFieldText(FieldTextOf(frequency));
    FrequencySent = false;
    Edit1_Leave();
    return FrequencySent;
}

// Run on every change of the text, typed or not: a long value is shown
// whole in a smaller type, down to a size still easy to read, and a shorter
// one in the full type again. Beyond that the tooltip holds the whole value.
void TFormMain::FitEdit1Text()
{
    const QString text = Edit1->text();
    const int frame = Edit1->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, Edit1);
    const int room = Edit1->contentsRect().width() - 2 * frame - 4;
    QFont font = Edit1Font;
    while (QFontMetrics(font).horizontalAdvance(text) > room && font.pointSizeF() > MinEdit1PointSize)
        font.setPointSizeF(font.pointSizeF() - 0.5);
    if (Edit1->font() != font)
        Edit1->setFont(font);
    Edit1->setToolTip(QFontMetrics(font).horizontalAdvance(text) > room ? text : QString());
}

double TFormMain::SteppedDisplayValue(double deltaHz) const
{
    const double factor = UnitFactorOf(ComboBox1->currentIndex());
    return (factor * StrToFloat(Edit1->text().toStdString()) + deltaHz) / factor;
}

void TFormMain::StepButton(double stepHz, bool up)
{
    Increment = stepHz;
    double value = SteppedDisplayValue(up ? stepHz : -stepHz);
    if (!up && value < 0)
        value = 0;
    ShowDisplayValue(value);
    Edit1_Exit();
}

void TFormMain::Button1Click()
{
    StepButton(1000000, true);
}

void TFormMain::Button2Click()
{
    StepButton(1000, true);
}

void TFormMain::Button3Click()
{
    StepButton(1, true);
}

void TFormMain::Button4Click()
{
    StepButton(1000000, false);
}

void TFormMain::Button5Click()
{
    StepButton(1000, false);
}

void TFormMain::Button6Click()
{
    StepButton(1, false);
}

// The wheel has no floor: below zero the display goes negative.
void TFormMain::WheelStep(double deltaHz, bool& Handled)
{
    Handled = true;
    ShowDisplayValue(SteppedDisplayValue(deltaHz));
    repaint();
    Edit1_Exit();
}

void TFormMain::Edit1MouseWheelUp(QObject*, Qt::KeyboardModifiers, QPoint, bool& Handled)
{
    WheelStep(Increment, Handled);
}

void TFormMain::Edit1MouseWheelDown(QObject*, Qt::KeyboardModifiers, QPoint, bool& Handled)
{
    WheelStep(-Increment, Handled);
}

void TFormMain::ComboBox1Change()
{
    ShowDisplayValue(Frequency / UnitFactorOf(ComboBox1->currentIndex()));
    Edit1_Exit();
}

void TFormMain::Edit1KeyPress(char16_t& Key)
{
    FilterKey(Edit1, Key, KeyClassDecimal);
}

// The wheel tunes without a click.
void TFormMain::Edit1MouseMove()
{
    Edit1->setFocus();
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    // A control without a hint of its own passes the tooltip request up to the surface.
    if (watched == centralWidget() && event->type() == QEvent::ToolTip)
        return centralWidget()->childAt(static_cast<QHelpEvent*>(event)->pos()) != nullptr;
    if (watched != Edit1)
        return QMainWindow::eventFilter(watched, event);
    Guarded([&] {
        switch (event->type()) {
        case QEvent::MouseMove:
            Edit1MouseMove();
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
                Edit1_Exit();
            break;
        case QEvent::FocusOut: {
            // Opening a menu or switching windows is no leaving of the field.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
                Edit1_Leave();
            break;
        }
        default:
            break;
        }
    });
    return false;
}

void TFormMain::Exit1Click()
{
    close();
}

void TFormMain::Setup1Click()
{
    BringUp(FormSetUp);
}

void TFormMain::Flash1Click()
{
    if (!FormFlash)
        return;
    // Keying must not poll the board while the flasher drives it.
    CheckBox1->setChecked(false);
    ShowToolWindow(FormFlash);
}

void TFormMain::MEPT1Click()
{
    BringUp(F_MEPT);
}

void TFormMain::WSPR1Click()
{
    BringUp(FormWspr);
}

void TFormMain::NetControl1Click()
{
    BringUp(FormNetControl);
}

void TFormMain::About1Click()
{
    if (!FAbout)
        return;
    FAbout->show();
    FAbout->raise();
}

void TFormMain::N1Hz1Click()
{
    Increment = 1;
}

void TFormMain::N10Hz1Click()
{
    Increment = 10;
}

void TFormMain::N100Hz1Click()
{
    Increment = 100;
}

void TFormMain::N1kHz1Click()
{
    Increment = 1000;
}

void TFormMain::N10kHz1Click()
{
    Increment = 10000;
}

void TFormMain::N100kHz1Click()
{
    Increment = 100000;
}

void TFormMain::N1MHz1Click()
{
    Increment = 1000000;
}

void TFormMain::N10MHz1Click()
{
    Increment = 10000000;
}

void TFormMain::N100MHz1Click()
{
    Increment = 100000000;
}

void TFormMain::userinc1Click()
{
    Increment = UserInc;
}

void TFormMain::EEPROMSetup1Click()
{
    if (FormEEPROM)
        ShowToolWindow(FormEEPROM);
}

void TFormMain::EEPROM_OrvelClick()
{
    if (FormEEPROM_Orvel)
        ShowToolWindow(FormEEPROM_Orvel);
}

void TFormMain::ShowToolWindow(QWidget* toolWindow)
{
    SavedOnlineDetect = CheckBox2->isChecked();
    CheckBox2->setChecked(false);
    // An unticked box does not run its handler again; without a settings
    // file detection may still be running, and the tool must find the board.
    if (!SavedOnlineDetect)
        CheckBox2Click();
    toolWindow->show();
    setEnabled(false);
}

void TFormMain::EndToolWindow()
{
    CheckBox2->setChecked(SavedOnlineDetect);
    setEnabled(true);
}
