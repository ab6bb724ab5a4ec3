#pragma once
// The demo's own window onto its virtual boards: what the first board's Si570
// produces now, its CW key, plugging it in and out, a second board, and the
// first board's EEPROM bytes.
#include <QWidget>

#include <memory>

#include "sim/BoardLog.h"
#include "sim/VirtualBoard.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class VirtualUsbfs;

// A synthesizer board as the demo attaches it, taking the time a real board
// takes per transfer unless the demo was started with --instant, and writing
// what it receives to the board log when the demo was started with one.
inline VirtualBoard::Timing DemoTiming = VirtualBoard::LowSpeedTiming;
inline std::unique_ptr<TBoardLog> DemoBoardLog;
std::shared_ptr<VirtualBoard> MakeDemoBoard(std::u16string serial);

class TFormVirtualBoard : public QWidget {
    Q_OBJECT

public:
    TFormVirtualBoard(VirtualUsbfs& usbfs, std::shared_ptr<VirtualBoard> first, QWidget* parent = nullptr);

    QLabel* Output1;
    QLabel* Output2;
    QPushButton* KeyButton;
    QPushButton* PlugButton;
    QPushButton* SecondButton;
    QPlainTextEdit* EepromList;
    QTimer* RefreshTimer;

    void Refresh();
    // Right of the main window when its screen has room there, else as near
    // as the screen allows; never larger than the screen.
    void PlaceBeside(const QWidget& main);

private:
    void KeyButtonClick(bool down);
    void PlugButtonClick();
    void SecondButtonClick();
    static void TogglePlugged(VirtualUsbfs& usbfs, const std::shared_ptr<VirtualBoard>& board);

    VirtualUsbfs& usbfs_;
    std::shared_ptr<VirtualBoard> first_;
    std::shared_ptr<VirtualBoard> second_;
};
