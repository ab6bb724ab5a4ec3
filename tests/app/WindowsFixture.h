#pragma once
// The main window, the setup dialog, the EEPROM editor, the self-flasher and
// the MEPT keyer against one board, online, as the program creates them; file dialogs
// answered with ChosenFile, the flasher's pauses not waited.
#include <memory>
#include <string>

#include "AppFixture.h"
#include "flash/UFlash.h"
#include "memory/UEEPROM.h"
#include "mept/U_MEPT.h"
#include "setup/USetUp.h"

class QLineEdit;
class QMenu;
class QAction;

class WindowsTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The in-place editor of a grid cell, the editor opened from its menu
    // item and the cell's editor with F2, as the operator does.
    QLineEdit* CellEditor(int col, int row);
    // The menu a right click opens on the widget.
    static QMenu* RightClick(QWidget* widget);
    // The menu's item with this text (without its shortcut and & marks).
    static QAction* Item(const QMenu& menu, const QString& text);
    // An Intel HEX file in the test's folder: count bytes from an address.
    std::string HexFile(const std::string& name, int start, int count, uint8_t byte) const;

    std::unique_ptr<TFormSetUp> Dialog;
    std::unique_ptr<TFormEEPROM> Editor;
    std::unique_ptr<TFormFlash> Flasher;
    std::unique_ptr<TF_MEPT> Keyer;
    std::string ChosenFile;
};
