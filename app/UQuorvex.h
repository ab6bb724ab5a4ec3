#pragma once
// The main window: frequency entry and tuning, the menus that open the other
// windows, online detection and FSK keying. It owns the shared settings that
// every window reads and changes.
// Other windows use the controls directly, so their classes come with it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mept/MeptCode.h"
#include "support/StatusText.h"
#include "support/UShape.h"
#include "support/UWheelEdit.h"
#include "usb/DeviceList.h"
#include "usb/SynthCommands.h"

// Shared settings of the main window. Frequencies in Hz unless named otherwise.
inline double Frequency = 0;  // display frequency, before multiplier and offset
constexpr std::array<double, 3> UnitFactor{1, 1000, 1000000};  // Hz per unit: Hz, kHz, MHz
inline double Multiplier = 1;
inline double Offset = 0;  // MHz
inline double Si570Frequency = 0;  // the output frequency last computed
inline double Increment = 1;  // one mouse-wheel step
inline double UserInc = 12500;  // the step of "± user inc."
inline bool SendOnConnect = true;  // the frequency still goes out when detection first finds the board
inline int32_t MemoryOn = 0;  // 1: the Si570 keeps its last frequency over power-up
inline double FskShift = 100;
inline std::string MEPT_Text = DefaultMeptCode;
inline bool FskToggleGuard = false;  // set while the FSK box unticks itself

// Installed by tests only: asked with the error's text when the settings cannot
// be saved at close; true closes without saving.
inline std::function<bool(const std::string& error)> CloseUnsavedHook;

// UnitFactor at a unit index; RangeError outside 0..2.
double UnitFactorOf(int unitIndex);
// The Si570's frequency for a frequency before multiplier and offset, in Hz.
double OutputFrequencyOf(double frequency);

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormMain(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;
    TWheelEdit* Edit1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button4 = nullptr;
    QPushButton* Button5 = nullptr;
    QPushButton* Button6 = nullptr;
    QLabel* Label2 = nullptr;
    TShape* Shape1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    TStatusText* StatusBar1 = nullptr;  // the status bar's one text area
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;

    QAction* Exit1 = nullptr;
    QMenu* Setup2 = nullptr;
    QAction* Setup1 = nullptr;
    QAction* EEPROMSetup1 = nullptr;
    QAction* EEPROM_Orvel = nullptr;
    QAction* Flash1 = nullptr;
    QMenu* Special1 = nullptr;
    QAction* MEPT1 = nullptr;
    QAction* WSPR1 = nullptr;
    QAction* NetControl1 = nullptr;
    QAction* About1 = nullptr;

    QMenu* PopupMenu1 = nullptr;
    QAction* N1Hz1 = nullptr;
    QAction* N10Hz1 = nullptr;
    QAction* N100Hz1 = nullptr;
    QAction* N1kHz1 = nullptr;
    QAction* N10kHz1 = nullptr;
    QAction* N100kHz1 = nullptr;
    QAction* N1MHz1 = nullptr;
    QAction* N10MHz1 = nullptr;
    QAction* N100MHz1 = nullptr;
    QAction* userinc1 = nullptr;

    bool SavedOnlineDetect = false;

    void FormCreate();
    void FormClose();
    // A termination request (SIGTERM, SIGHUP): one attempt to save, whose
    // failure goes to standard error, and no close is refused after it.
    void FormTerminate();
    // The session manager's request before a logout, which may still be
    // cancelled: saves without asking anything; a close later asks as usual.
    void SaveWithoutAsking();
    void Edit1_Exit();
    // Leaving the field applies it; a failure goes to the status bar only, so
    // the click that left the field (on "Online detect", say) is not lost to a
    // box. Other windows use it to put the board back after a failure of their own.
    void Edit1_Leave();
    // A frequency from elsewhere (network control), before multiplier and
    // offset: the one the field holds once it shows it in its unit (NaN
    // when the field could not show it as a number), and the frequency
    // shown and applied as typing it does, a failure put in the status bar
    // as leaving the field puts it. True when the board got it.
    double FieldFrequencyOf(double frequency) const;
    bool EnterFrequency(double frequency);
    void Edit1KeyPress(char16_t& Key);
    void Edit1MouseMove();
    void Edit1MouseWheelUp(QObject* Sender, Qt::KeyboardModifiers Shift, QPoint MousePos, bool& Handled);
    void Edit1MouseWheelDown(QObject* Sender, Qt::KeyboardModifiers Shift, QPoint MousePos, bool& Handled);
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void ComboBox1Change();
    void Exit1Click();
    void Setup1Click();
    void About1Click();
    void EEPROMSetup1Click();
    void EEPROM_OrvelClick();
    void Flash1Click();
    void MEPT1Click();
    void WSPR1Click();
    void NetControl1Click();
    void N1Hz1Click();
    void N10Hz1Click();
    void N100Hz1Click();
    void N1kHz1Click();
    void N10kHz1Click();
    void N100kHz1Click();
    void N1MHz1Click();
    void N10MHz1Click();
    void N100MHz1Click();
    void userinc1Click();

    // Online detection and FSK keying (UQuorvexOnline.cpp).
    void Timer1Timer();
    void CheckBox2Click();
    void CheckBox1Click();
    void Timer2Timer();
    // The not-found error was shown for the board's present absence: further
    // attempts say so in the status bar and the light, not in another box.
    bool NotFoundShown = false;

    // The tool-window sequence: online detection is suspended and the main
    // window takes no input while the tool window is open; the tool window
    // calls EndToolWindow when it closes.
    void ShowToolWindow(QWidget* toolWindow);
    void EndToolWindow();

protected:
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The status text of a frequency the Si570 cannot produce.
    static inline const QString NotSupportedText = "frequency not supported";

    void CreateControls();
    void CreateMenus();
    void ConnectHandlers();
    QAction* AddIncrementItem(const char* caption, void (TFormMain::*handler)());

    // Shows a display value in Edit1; a change of the text applies it, as any edit does.
    void ShowDisplayValue(double value);
    // Puts the text in Edit1 without applying it; false when it was there already.
    bool ShowFieldText(const QString& text);
    QString FieldTextOf(double frequency) const;
    bool FrequencySent = false;  // by the last SendFrequency
    void FitEdit1Text();
    QFont Edit1Font;
    static constexpr double MinEdit1PointSize = 8;
    // Edit1's value moved by delta Hz, in the current unit.
    double SteppedDisplayValue(double deltaHz) const;
    void StepButton(double stepHz, bool up);
    void WheelStep(double deltaHz, bool& Handled);

    bool CloseWithoutSaving(const std::string& error);
    bool Terminating = false;

    void SetLabel2(const QString& text);
    void SetTuningEnabled(bool enabled);

    // UQuorvexOnline.cpp: sends Si570Frequency; a missing board is told once.
    void SendFrequency();
    void ShowFrequencySet(double hz);
    // The light, label and their tooltip for DeviceOnline and what the device
    // link knows of the chosen board.
    void ShowBoardState();
    void ShowBoardMissing();
    void KeyedBoardGone();
};

inline TFormMain* FormMain = nullptr;
