#pragma once
// The setup dialog: the values between the typed frequency and the board
// (address, multiplier, offset, start-up frequency, wheel and FSK steps, speed
// grade, the remember flag), the choice among attached boards, and the crystal
// calibration. Every change takes effect at once; closing only hides it.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>

#include <array>

#include "support/StatusText.h"
#include <cstdint>
#include <functional>
#include <optional>

// Installed by tests only: the waits after the board's reset, in ms.
inline std::function<void(int)> ResetWaitSleepHook;

class TFormSetUp : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormSetUp(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLabel* Label16 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label8 = nullptr;
    QLineEdit* Edit5 = nullptr;
    QLabel* Label9 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label6 = nullptr;
    QLineEdit* Edit4 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label15 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label13 = nullptr;
    QComboBox* ComboPPM = nullptr;
    QLabel* LabelHz = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QLabel* Label14 = nullptr;
    QLabel* Label12 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* Edit6 = nullptr;
    QLabel* Label10 = nullptr;
    QPushButton* Button2 = nullptr;
    TStatusText* StatusBar1 = nullptr;  // the status bar's one text area
    QListWidget* ListBox1 = nullptr;
    QPushButton* Button5 = nullptr;
    QLineEdit* Edit7 = nullptr;
    QComboBox* ComboDevs = nullptr;

    bool InputError = false;
    bool CheckBoxGuard = false;

    void FormCreate();
    void FormShow();
    bool FormCloseQuery();
    void FormClose();

    void Edit1Change();
    void Edit2Change();
    void Edit3Change();
    void Edit4Change();
    void Edit5Change();
    void Edit6Change();
    void Edit7Change();
    // boxChanged: run for a change of the box, so a refused request puts it back.
    void CheckBox1Click(bool boxChanged = false);
    void ComboBox1Change();
    void Button5Click();
    void ComboDevsChange();
    void Button2Click();
    // False when the board was not back online within the wait's bound.
    bool ResetAndWait();

    // Calibration (UCalibration.cpp).
    void Button1Click();
    void Button3Click();
    void Button4Click();
    void ComboPPMChange();
    void ShowPpmStep();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void PlaceControls();
    void ConnectHandlers();
    void BindEdit(QLineEdit* edit, void (TFormSetUp::*handler)(), std::optional<uint8_t> keyClass);

    // The steps every number field shares; false when the text is no number.
    bool ValidateNumber(QLineEdit* edit, double& setting);
    void RejectField(QLineEdit* edit, const char* message);
    // Sets the box without its signal, then tells the board as a click would.
    void SetRememberBox(bool on);
    void ShiftCalibration(const std::array<double, 5>& factors);
    void PauseForReset(int ms);
};

inline TFormSetUp* FormSetUp = nullptr;
