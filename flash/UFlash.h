#pragma once
// The self-flasher: asks the firmware for its rewritable flash region,
// programs a firmware image from an Intel HEX file above it, dumps the flash
// and compares it with a HEX file. A tool window: the main window is disabled
// while it is open.
#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "flash/FirmwareImage.h"
#include "support/StatusText.h"

class QFileDialog;
class QLabel;
class QListWidget;
class QPushButton;
class TLongOperation;

// The pause after each programming step's progress text; tests do not wait.
inline std::function<void(int ms)> FlashSleepHook;

class TFormFlash : public QMainWindow {
    Q_OBJECT

public:
    explicit TFormFlash(QWidget* parent = nullptr);

    QListWidget* ListBox1 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button10 = nullptr;
    QPushButton* Button9 = nullptr;
    QPushButton* Button2 = nullptr;
    TStatusText* StatusBar1 = nullptr;
    QFileDialog* OpenHex = nullptr;

    uint16_t FlashableStart = 0;
    std::vector<uint8_t> FirmwareImage;  // by flash address
    std::vector<uint8_t> FlashReadback;  // by flash address; grows as blocks are read

    void FormCreate();
    void FormClose();
    bool QueryFlashableStart();
    // purpose: the open dialog's title, saying which file the operation wants.
    bool LoadFirmwareHex(const QString& purpose);
    void WriteFirmware(int start);
    void Button1Click();
    void Button10Click();
    void Button9Click();
    void Button2Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    // Reads blocks 0 .. count-1 into FlashReadback and the listing. A failed
    // transfer is said in the status line and ends the reading: false.
    bool ReadFlash(int count);
    // Lists the addresses first .. last where the file and the flash differ,
    // and says in the status line how many it compared and found.
    void CompareFlashWithFile(int first, int last, bool definedOnly, const QString& lastText);
    void ShowBlockProgress(int address, int blocksDone, TLongOperation& progress);
    std::string fileName_;
    std::optional<TFirmwareFile> firmware_;  // the file FirmwareImage came from
};

inline TFormFlash* FormFlash = nullptr;
