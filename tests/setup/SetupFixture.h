#pragma once
// The setup dialog created after the real main window, as the program does,
// against the virtual board; the reset wait records its pauses instead of sleeping.
#include <memory>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "setup/USetUp.h"

class SetupTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The dialog, created after the main window has started.
    TFormSetUp& OpenDialog();
    // StartOnline, then the dialog; the board's log cleared.
    TFormSetUp& OpenOnline();

    std::string DialogStatus() const { return Dialog->StatusBar1->text().toStdString(); }
    void TypeInto(QWidget* field, const std::string& keys);
    void Retype(QLineEdit* field, const std::string& keys);  // cleared first, one keystroke at a time
    void LeaveField(QWidget* field, Qt::FocusReason reason = Qt::TabFocusReason);

    // Transfers of one request code that the board received, of either direction.
    static int RequestCount(const VirtualBoard& board, uint8_t request);
    // The wValue of each transfer of one request code.
    static std::vector<int> RequestValues(const VirtualBoard& board, uint8_t request);
    // EEPROM writes of one address.
    static int EepromWrites(const VirtualBoard& board, int address);
    static uint32_t EepromWord(const VirtualBoard& board, int first);
    static std::string NotFoundText() { return "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !"; }

    std::vector<int> Pauses;
    std::unique_ptr<TFormSetUp> Dialog;
};
