#include "app/demo/UVirtualBoard.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "sim/VirtualUsbfs.h"
#include "support/Feedback.h"

namespace {

constexpr uint8_t KeyUpBit = 0x20;  // the key input reads high while the key is up

QString OutputText(const char* name, const VirtualUsbfs& usbfs, const VirtualBoard& board)
{
    if (!usbfs.IsPlugged(board))
        return QString(name) + ": not plugged in";
    // The crystal is not the nominal one, so a calibration visibly moves the output.
    return QString("%1 (device %2): Si570 output %3 MHz, crystal %4 MHz")
        .arg(name)
        .arg(usbfs.DeviceNumber(board))
        .arg(board.OutputMHz(), 0, 'f', 6)
        .arg(board.Settings().TrueXtalMHz, 0, 'g', 10);
}

// Address, two blanks, then each of 16 bytes as two upper-case hex digits and a blank.
QString HexListing(const std::array<uint8_t, VirtualBoard::EepromSize>& bytes)
{
    QStringList lines;
    for (size_t address = 0; address < bytes.size(); address += 16) {
        QString line = QString("%1  ").arg(address, 4, 16, QChar('0'));
        for (size_t i = address; i < address + 16; ++i)
            line += QString("%1 ").arg(bytes[i], 2, 16, QChar('0'));
        lines << line.toUpper();
    }
    return lines.join('\n');
}

}  // namespace

std::shared_ptr<VirtualBoard> MakeDemoBoard(std::u16string serial)
{
    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    config.Product = u"VELNOR-I2C";
    config.Serial = serial;
    auto board = std::make_shared<VirtualBoard>(config);
    board->Recording = false;  // the demo runs for hours; nobody reads the log
    board->Latency = DemoTiming;
    if (DemoBoardLog)
        DemoBoardLog->Attach(board, std::string(serial.begin(), serial.end()));
    return board;
}

TFormVirtualBoard::TFormVirtualBoard(VirtualUsbfs& usbfs, std::shared_ptr<VirtualBoard> first, QWidget* parent)
    : QWidget(parent, Qt::Window), usbfs_(usbfs), first_(std::move(first)), second_(MakeDemoBoard(u"2"))
{
    setWindowTitle("Virtual board");
    setAttribute(Qt::WA_QuitOnClose, false);
    Output1 = new QLabel;
    Output2 = new QLabel;
    KeyButton = new QPushButton("CW key down");
    KeyButton->setCheckable(true);
    PlugButton = new QPushButton;
    SecondButton = new QPushButton;
    EepromList = new QPlainTextEdit;
    EepromList->setReadOnly(true);
    EepromList->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    EepromList->setLineWrapMode(QPlainTextEdit::NoWrap);
    EepromList->setMinimumWidth(EepromList->fontMetrics().horizontalAdvance(QString(56, 'F')) + 32);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Output1);
    layout->addWidget(Output2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(KeyButton);
    buttons->addWidget(PlugButton);
    buttons->addWidget(SecondButton);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel("EEPROM of the first board:"));
    layout->addWidget(EepromList);

    connect(KeyButton, &QPushButton::toggled, this, [this](bool down) { KeyButtonClick(down); });
    connect(PlugButton, &QPushButton::clicked, this, [this] { Guarded([this] { PlugButtonClick(); }); });
    connect(SecondButton, &QPushButton::clicked, this, [this] { Guarded([this] { SecondButtonClick(); }); });
    RefreshTimer = new QTimer(this);
    RefreshTimer->setInterval(250);
    connect(RefreshTimer, &QTimer::timeout, this, &TFormVirtualBoard::Refresh);
    RefreshTimer->start();
    Refresh();
}

void TFormVirtualBoard::Refresh()
{
    Output1->setText(OutputText("First board", usbfs_, *first_));
    Output2->setText(OutputText("Second board", usbfs_, *second_));
    PlugButton->setText(usbfs_.IsPlugged(*first_) ? "Unplug first board" : "Plug in first board");
    SecondButton->setText(usbfs_.IsPlugged(*second_) ? "Unplug second board" : "Plug in second board");
    // Rewritten only when it changed, so the operator's scroll position stays.
    const QString listing = HexListing(first_->Eeprom);
    if (EepromList->toPlainText() != listing)
        EepromList->setPlainText(listing);
}

void TFormVirtualBoard::PlaceBeside(const QWidget& main)
{
    constexpr int Gap = 16;
    const QRect screen = main.screen()->availableGeometry();
    // The frame the window manager put around the main window; this window gets the same.
    const QRect mainFrame = main.frameGeometry();
    const QSize frame = mainFrame.size() - main.geometry().size();
    resize(sizeHint().boundedTo(screen.size() - frame));
    const QSize outer = size() + frame;
    const int x = std::clamp(mainFrame.right() + 1 + Gap, screen.left(), screen.right() + 1 - outer.width());
    const int y = std::clamp(mainFrame.top(), screen.top(), screen.bottom() + 1 - outer.height());
    move(x, y);
}

// Both boards share one key, as if keyed from the same paddle.
void TFormVirtualBoard::KeyButtonClick(bool down)
{
    for (VirtualBoard* board : {first_.get(), second_.get()}) {
        if (down)
            board->KeyByte &= static_cast<uint8_t>(~KeyUpBit);
        else
            board->KeyByte |= KeyUpBit;
    }
}

void TFormVirtualBoard::TogglePlugged(VirtualUsbfs& usbfs, const std::shared_ptr<VirtualBoard>& board)
{
    if (usbfs.IsPlugged(*board))
        usbfs.Unplug(*board);
    else
        usbfs.Plug(board);
}

void TFormVirtualBoard::PlugButtonClick()
{
    TogglePlugged(usbfs_, first_);
    Refresh();
}

void TFormVirtualBoard::SecondButtonClick()
{
    TogglePlugged(usbfs_, second_);
    Refresh();
}
