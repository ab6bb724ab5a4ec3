#pragma once
// The main window: frequency entry and tuning, the menus that open the other
// windows, online detection and FSK keying. It owns the shared settings that
// every window reads and changes.
// Other windows use the controls directly, so their classes come with it.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
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
#include "support/UShape.h"
#include "support/UWheelEdit.h"
#include "usb/DeviceList.h"
#include "usb/SynthCommands.h"

class QKeyEvent;

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

    QLabel* Label1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    TWheelEdit* Edit1;
    QComboBox* ComboBox1;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QLabel* Label2;
    TShape* Shape1;
    QCheckBox* CheckBox1;
    QCheckBox* CheckBox2;
    QLabel* StatusBar1;  // the status bar's one text area
    QTimer* Timer1;
    QTimer* Timer2;

    QAction* Exit1;
    QMenu* Setup2;
    QAction* Setup1;
    QAction* EEPROMSetup1;
    QAction* EEPROM_Orvel;
    QAction* Flash1;
    QMenu* Special1;
    QAction* MEPT1;
    QAction* About1;

    QMenu* PopupMenu1;
    QAction* N1Hz1;
    QAction* N10Hz1;
    QAction* N100Hz1;
    QAction* N1kHz1;
    QAction* N10kHz1;
    QAction* N100kHz1;
    QAction* N1MHz1;
    QAction* N10MHz1;
    QAction* N100MHz1;
    QAction* userinc1;

    bool SavedOnlineDetect = false;

    void FormCreate();
    void FormClose();
    // A termination request (SIGTERM, logout): one attempt to save, whose
    // failure goes to standard error, and no close is refused after it.
    void FormTerminate();
    void Edit1_Exit();
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
    void CreateControls();
    void CreateMenus();
    void ConnectHandlers();
    QAction* AddIncrementItem(const char* caption, void (TFormMain::*handler)());

    // Shows a display value in Edit1; a change of the text applies it, as any edit does.
    void ShowDisplayValue(double value);
    // Edit1's value moved by delta Hz, in the current unit.
    double SteppedDisplayValue(double deltaHz) const;
    void StepButton(double stepHz, bool up);
    void WheelStep(double deltaHz, bool& Handled);
    bool Edit1KeyDropped(const QKeyEvent& event);

    bool CloseWithoutSaving(const std::string& error);
    bool Terminating = false;

    void SetLabel2(const QString& text);
    void SetTuningEnabled(bool enabled);
};

inline TFormMain* FormMain = nullptr;
