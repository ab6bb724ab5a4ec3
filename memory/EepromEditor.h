#pragma once
// The EEPROM editor window as both firmware layouts use it: the hex listing
// of the image, the grid of fields in decimal and hex, the board transfers
// and the Intel HEX files. A layout names the rows, how much of the image
// the editor clears, saves and lists, and the window's size.
#include <QMainWindow>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "memory/EepromFields.h"
#include "memory/HexImage.h"
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

// What to do with edits that were never written, before an action would
// discard them.
enum class TUnwrittenChoice { Write, Discard, Stay };
// Installed by tests: answers the question in the operator's place.
inline std::function<TUnwrittenChoice(const std::string& question)> UnwrittenEditsHook;

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

    // Whether the image holds edits the board has not got: it differs from
    // what was last read from or written to the board.
    bool HasUnwrittenEdits() const;
    // Bytes a partly covering file did not define (set to 00): marked in the
    // listing and the grid until the image is read, cleared or loaded again.
    bool IsUnloaded(int address) const;

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
    // A refused text in the cell being edited: its field gets back the bytes
    // it held before the edit began, so no prefix of the text stays behind.
    void PutBackEditedField(const TEepromField& field, int row, bool hex);
    // Stops a column pass at a cell the image cannot take: the cell becomes
    // current without closing its editor, and the status line says why.
    void RefuseCell(int col, int row, const std::string& why);
    // True when the action may go on: there are no unwritten edits, or the
    // operator had them written (and verified) or discarded.
    bool MayDiscardEdits(const std::string& action);
    TUnwrittenChoice AskAboutUnwrittenEdits(const std::string& question);
    void SetUnloaded(const std::vector<TAddressRange>& ranges);

    TEditorLayout layout_;
    // The image as last read from or written to the board.
    std::optional<std::array<uint8_t, EepromBytes>> boardImage_;
    std::vector<bool> unloaded_;
    // The cell a column pass last found current, and the image before its
    // edit began: a refused text there puts its field's bytes back.
    int editCol_ = -1;
    int editRow_ = -1;
    std::array<uint8_t, EepromBytes> editOrigin_{};
    std::string rangeRefusal_;  // the refusal the status line shows, until a pass succeeds
};
