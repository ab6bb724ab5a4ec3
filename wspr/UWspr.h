#pragma once
// The WSPR beacon window: the message, the band and the share of slots;
// while the beacon runs, UTC, the clock's state, the countdown to the next
// slot, the symbol and tone on the air, and a picture of the 162 tones.
#include <QButtonGroup>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

#include "support/StatusText.h"
#include "wspr/WsprBeacon.h"
#include "wspr/WsprFields.h"
#include "wspr/WsprPicture.h"

class TFormWspr : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormWspr(QWidget* parent = nullptr);
    ~TFormWspr() override;

    QLabel* LabelCall = nullptr;
    QLineEdit* EditCall = nullptr;
    QLabel* LabelLocator = nullptr;
    QLineEdit* EditLocator = nullptr;
    QLabel* LabelPower = nullptr;
    QComboBox* ComboPower = nullptr;
    QLabel* LabelPowerUnit = nullptr;
    QLabel* LabelDial = nullptr;
    QComboBox* ComboBand = nullptr;  // the customary dial frequencies, or any typed in MHz
    QLabel* LabelDialUnit = nullptr;
    QLabel* LabelAudio = nullptr;
    QLineEdit* EditAudio = nullptr;
    QLabel* LabelAudioUnit = nullptr;
    QRadioButton* RadioShare = nullptr;
    QLineEdit* EditShare = nullptr;
    QLabel* LabelShareUnit = nullptr;
    QRadioButton* RadioEvery = nullptr;
    QLineEdit* EditEvery = nullptr;
    QLabel* LabelEveryUnit = nullptr;
    QButtonGroup* SlotChoice = nullptr;
    QLabel* LabelOff = nullptr;
    QLineEdit* EditOff = nullptr;
    QLabel* LabelOffUnit = nullptr;
    QPushButton* ButtonStart = nullptr;  // stays down while the beacon runs
    QLabel* LabelUtc = nullptr;
    QLabel* LabelClock = nullptr;
    QLabel* LabelNext = nullptr;
    QLabel* LabelSymbol = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    TWsprPicture* Picture = nullptr;
    TStatusText* StatusBar1 = nullptr;
    QTimer* Timer1 = nullptr;  // the display, four times a second
    QTimer* Timer2 = nullptr;  // the beacon's next symbol or slot

    // Installed by tests only: the clocks the beacon runs on, driven instead
    // of waited for. The symbol timer then does not wait for its deadline.
    std::function<TWsprBeacon::Clock::time_point()> SteadyNowHook;
    std::function<WsprUtc::time_point()> UtcNowHook;

    std::unique_ptr<TWsprBeacon> Beacon;  // while the beacon runs

    void FormClose();
    // Every change of a field goes to WsprFields, for the settings file.
    void FieldsChange();
    void ButtonStartClick();
    void Timer1Timer();
    void Timer2Timer();
    void StopBeacon();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // UWsprLayout.cpp
    void CreateControls();
    void PlaceControls();

    void ConnectHandlers();
    // WsprFields into the fields, when the window is made.
    void ShowFields();
    void StartBeacon();
    void ReleaseStart();
    // Rearms Timer2 for the beacon's next wake.
    void ArmBeacon();
    void ShowReports(TWsprBeacon& beacon);
    void ShowClockState();
    void ShowProgress();
    WsprUtc::time_point UtcNow() const;

    std::array<double, 4> toneHz_{};  // on the air, before multiplier and offset
    bool stoppedOnlineDetection_ = false;
    bool boardAway_ = false;  // as the display last saw it
    int clockStateAge_ = 0;
};

inline TFormWspr* FormWspr = nullptr;
