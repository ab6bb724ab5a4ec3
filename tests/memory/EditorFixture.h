#pragma once
// The EEPROM editors against the virtual board, as the main window opens
// them, with file dialogs answered and backups kept in the test's directory.
#include <QFileDialog>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "AppFixture.h"
#include "ControlHook.h"
#include "memory/StringGrid.h"
#include "memory/UEEPROM.h"
#include "memory/UEEPROM_Orvel.h"

class EditorTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The main window and both editors, the board plugged in and online.
    void StartEditors();
    // Opens an editor from its menu item (the board's log cleared first).
    void Open(TEepromEditor& editor);

    // Presses the mouse on a value cell, then types the keys into it.
    void ClickCell(TEepromEditor& editor, int col, int row);
    void TypeIntoGrid(TEepromEditor& editor, const QString& keys);
    void PressKey(TEepromEditor& editor, Qt::Key key);

    static std::string Cell(const TEepromEditor& editor, int col, int row);
    static std::vector<std::string> Listing(const TEepromEditor& editor);
    static std::string Status(const TEepromEditor& editor);

    // A file in the test's directory; the next file dialog answers with it ("" cancels).
    std::string FileNamed(const std::string& name) const;
    void AnswerDialog(const std::string& fileName) { DialogAnswer = fileName; }
    std::string WriteFile(const std::string& name, const std::string& text) const;
    static std::vector<std::string> Lines(const std::string& fileName);

    std::vector<std::string> BackupFiles() const;
    // The 512 bytes of an Intel HEX file.
    static std::array<uint8_t, 512> HexImage(const std::string& fileName);

    int Requests(int request) const;
    void BoardFailsFrom(int vendorTransfer, int err);

    std::array<uint8_t, 512> BoardPattern() const;

    std::unique_ptr<TFormEEPROM> Editor;
    std::unique_ptr<TFormEEPROM_Orvel> FilterEditor;
    std::string DialogAnswer;
    std::vector<std::string> DialogFilters;
    // The questions about unwritten edits, and the operator's answer to them.
    std::vector<std::string> Questions;
    TUnwrittenChoice QuestionAnswer = TUnwrittenChoice::Discard;
};
