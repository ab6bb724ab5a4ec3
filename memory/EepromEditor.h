#pragma once
// The EEPROM editor window as both firmware layouts use it: the hex listing
// of the image, the grid of fields in decimal and hex, the board transfers
// and the Intel HEX files. A layout names the rows, how much of the image
// the editor clears, saves and lists, and the window's size.
#include <QMainWindow>

#include <string>

#include "memory/EepromFields.h"
#include "support/StatusText.h"

class QFileDialog;
class QLabel;
class QListWidget;
class TStringGrid;

struct TEditorLayout {
    const TEepromRows* Rows = nullptr;
    int OwnBytes = EepromBytes;  // cleared, saved, loaded and listed: bytes 0 .. OwnBytes - 1
    int Width = 696;             // design pixels at 96 per inch
    int Height = 609;
};

class TEepromEditor : public QMainWindow {
    Q_OBJECT

public:
    explicit TEepromEditor(const TEditorLayout& layout, QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr;
    TStringGrid* SG = nullptr;
    TStatusText* StatusBar1 = nullptr;
    QMenu* File1 = nullptr;
    QAction* Load1 = nullptr;
    QAction* Save1 = nullptr;
    QAction* OpenBackups1 = nullptr;
    QMenu* EEPROM1 = nullptr;
    QAction* ReadEEPROM2 = nullptr;
    QAction* readEEPROM1 = nullptr;
    QAction* Clearbuffer1 = nullptr;
    QFileDialog* SaveDialog = nullptr;
    QFileDialog* OpenHex = nullptr;

    int EditColumn = 0;  // the grid column of the last mouse press: 1 decimal, else hex

    void FormCreate();
    void FormShow();
    void FormClose();
    void ReadEEPROM2Click();
    void readEEPROM1Click();
    void Clearbuffer1Click();
    void Save1Click();
    void Load1Click();
    void OpenBackups1Click();
    void SGMouseDown();
    void SGKeyPress(char16_t& Key);
    void SGKeyUp();

    void RefreshListing();
    void RefreshGrid(bool decimal, bool hex);
    void ApplyHexColumn();
    void ApplyDecimalColumn();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void ClearOwnBytes();
    // Reads the board into the image; a failed read leaves the image as it
    // was and says why in the status line.
    void ReadIntoImage();
    // A raised error is shown in the status line, with the image as it is, and goes on.
    template <typename Action>
    void ShowingFailure(Action&& action);
    void ApplyColumn(int col);
    // Every cell converts again: the input error, if shown, is over.
    void ClearInputError();

    TEditorLayout layout_;
};
