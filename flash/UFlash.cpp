#include "flash/UFlash.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

#include "app/DesignLayout.h"
#include "app/UQuorvex.h"
#include "memory/EepromFields.h"
#include "memory/UIntelHex.h"
#include "support/FileDialogs.h"
#include "support/Feedback.h"
#include "support/LongOperation.h"
#include "support/ReadableColour.h"
#include "support/StatusText.h"
#include "usb/FlashCommands.h"

namespace {

constexpr double DesignPpi = 96;
constexpr int ProgressPauseMs = 10;

QString Hex(int value, int digits = 4)
{
    return QString("%1").arg(value, digits, 16, QChar('0')).toUpper();
}

void Sleep(int ms)
{
    if (FlashSleepHook)
        FlashSleepHook(ms);
    else
        QThread::msleep(static_cast<unsigned long>(ms));
}

template <typename Handler>
void Bind(TFormFlash* form, QPushButton* button, Handler handler)
{
    QObject::connect(button, &QPushButton::clicked, form, [form, handler] { Guarded([&] { (form->*handler)(); }); });
}

}  // namespace

TFormFlash::TFormFlash(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle("Self-Flasher Utility");
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
    Guarded([this] { FormCreate(); });
}

void TFormFlash::CreateControls()
{
    const TDesignScale design(*this, DesignPpi);
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, design(8));

    ListBox1 = new QListWidget(client);
    QFont terminal = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    terminal.setPixelSize(design(16));
    ListBox1->setFont(terminal);
    SetReadableTextColour(ListBox1, QPalette::Text, QPalette::Base, Qt::blue);
    ListBox1->setFixedHeight(design(353));
    column->addWidget(ListBox1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(design(8), design(8), design(8), 0);
    auto button = [&](QPushButton*& b, const char* caption, void (TFormFlash::*handler)()) {
        b = new QPushButton(caption, client);
        b->setMinimumHeight(design(33));
        buttons->addWidget(b);
        Bind(this, b, handler);
    };
    button(Button1, "Dump Flash", &TFormFlash::Button1Click);
    button(Button10, "Check   Version", &TFormFlash::Button10Click);
    button(Button9, "Flash", &TFormFlash::Button9Click);
    button(Button2, "Verify firmware ", &TFormFlash::Button2Click);
    column->addLayout(buttons);
    column->addStretch(1);

    StatusBar1 = new TStatusText;
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    OpenHex = new QFileDialog(this);
    OpenHex->setAcceptMode(QFileDialog::AcceptOpen);
    OpenHex->setFileMode(QFileDialog::ExistingFile);
    OpenHex->setNameFilter("Intel hex files (*.hex)");
    OpenHex->setDefaultSuffix("hex");
}

void TFormFlash::FormCreate()
{
    const TDesignScale design(*this, DesignPpi);
    resize(design(696), design(480));
    FitOnScreen(*this);
}

void TFormFlash::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TFormFlash::FormClose()
{
    if (FormMain)
        FormMain->EndToolWindow();
}

bool TFormFlash::QueryFlashableStart()
{
    try {
        FlashableStart = ReadFlashableStart();
    } catch (const TransferError& e) {
        // Taking a failed reply for start 0 would let Flash write over the
        // bootloader and leave the board dead.
        StatusBar1->setText(QString::fromStdString("Error: " + e.Reason()));
        return false;
    }
    if ((FlashableStart & 0xFF) == 0xFF) {
        StatusBar1->setText("Error: Unsupported Firmware!");
        return false;
    }
    StatusBar1->setText("Flashable Start Address = 0x" + Hex(FlashableStart));
    return true;
}

bool TFormFlash::LoadFirmwareHex(const QString& purpose)
{
    StatusBar1->clear();
    OpenHex->setWindowTitle(purpose);
    OpenHex->selectFile(QString());
    fileName_ = RunFileDialog(*OpenHex);
    if (fileName_.empty())
        return false;
    FirmwareImage.clear();
    firmware_.reset();
    try {
        firmware_ = TFirmwareFile::Load(fileName_);
    } catch (const HexContentError& e) {
        // Said, not silent: otherwise the button seems to do nothing.
        StatusBar1->setText(QString::fromStdString(e.what()));
        return false;
    }
    FirmwareImage = firmware_->Image();
    return true;
}

bool TFormFlash::ReadFlash(int count)
{
    TLongOperation progress(*this, count);
    progress.Begin(StatusBar1->text());
    try {
        ReadFlashBlocks(count, [&](int address, const TFlashBlock& block) {
            if (FlashReadback.size() < static_cast<size_t>(address + FlashBlockSize))
                FlashReadback.resize(static_cast<size_t>(address + FlashBlockSize), 0xFF);
            std::copy(block.begin(), block.end(), FlashReadback.begin() + address);
            for (int line = 0; line < FlashBlockSize; line += 16)
                ListBox1->addItem(QString::fromStdString(
                    HexListingLine(address + line, std::span(block).subspan(static_cast<size_t>(line), 16))));
            progress.Step(address / FlashBlockSize + 1);
        });
    } catch (const TransferError& e) {
        StatusBar1->setText(QString::fromStdString(e.what()));
        return false;
    } catch (const QuorvexError&) {
        // The error display says why (no board, no permission); the line must
        // not go on saying that the flash is being read.
        StatusBar1->clear();
        throw;
    }
    // Read: the line no longer says it is reading.
    StatusBar1->clear();
    return true;
}

void TFormFlash::CompareFlashWithFile(int first, int last, bool definedOnly, const QString& lastText)
{
    const TFlashComparison result = CompareFlash(firmware_->Hex, FlashReadback, first, last, definedOnly);
    ListBox1->clear();
    for (const int address : result.Differing)
        ListBox1->addItem("error at address " + Hex(address));
    ListBox1->addItem("Hex file compared to AVR flash up to address 0x" +
                      (definedOnly && result.LastCompared >= 0 ? Hex(result.LastCompared) : lastText));
    ListBox1->addItem(QString::number(result.Differing.size()) + " errors!");
    // Seen first, however many lines the listing holds.
    StatusBar1->setText(QString::fromStdString(ComparisonSummary(result, first, definedOnly)));
}

void TFormFlash::Button1Click()
{
    StatusBar1->setText("Reading flash");
    ListBox1->clear();
    ReadFlash(FlashDumpBlocks);
}

void TFormFlash::Button2Click()
{
    // Only what was flashed is compared: the file's bytes from the flashable start on.
    if (!LoadFirmwareHex("Verify firmware: open the HEX file to compare with the board's flash") ||
        !QueryFlashableStart())
        return;
    try {
        firmware_->CheckVerifiable(FlashableStart);
    } catch (const HexContentError& e) {
        StatusBar1->setText(QString::fromStdString(e.what()));
        return;
    }
    StatusBar1->setText("Reading flash");
    ListBox1->clear();
    if (!ReadFlash(FlashDumpBlocks))
        return;
    CompareFlashWithFile(FlashableStart, FlashSize - 1, true, Hex(FlashSize - 1));
}

void TFormFlash::Button10Click()
{
    if (!QueryFlashableStart())
        return;
    StatusBar1->setText("Reading non rewritable flash");
    ListBox1->clear();
    const int start = FlashableStart;
    // At least one block, also for a start of 0.
    const int blocks = start == 0 ? 1 : (start - 1) / FlashBlockSize + 1;
    if (!ReadFlash(blocks))
        return;
    if (!LoadFirmwareHex("Check Version: open the firmware's HEX file to compare with the board's boot section"))
        return;
    // Nothing below a start of 0: the runtime's hex of -1 names the empty range.
    CompareFlashWithFile(0, start - 1, false, start == 0 ? "FFFFFFFF" : Hex(start - 1));
}

void TFormFlash::Button9Click()
{
    // The file first: one the chip cannot hold is refused before any request.
    if (!LoadFirmwareHex("Flash: open the firmware HEX file to program into the board") || !QueryFlashableStart())
        return;
    StatusBar1->clear();
    std::string refusal;
    try {
        FirmwareImage = firmware_->ProgramImage(FlashableStart);
    } catch (const HexContentError& e) {
        FirmwareImage = firmware_->Image();
        refusal = e.what();
    }
    ListBox1->clear();
    ListBox1->addItem(QString::fromStdString(fileName_));
    for (size_t address = 0; address < FirmwareImage.size(); address += 16) {
        const size_t count = std::min<size_t>(16, FirmwareImage.size() - address);
        ListBox1->addItem(QString::fromStdString(
            HexListingLine(static_cast<int>(address), std::span(FirmwareImage).subspan(address, count), " ")));
    }
    // Lines below the start would be all the operator sees first.
    if (QListWidgetItem* first = ListBox1->item(1 + FlashableStart / 16))
        ListBox1->scrollToItem(first, QAbstractItemView::PositionAtTop);
    if (!refusal.empty()) {
        StatusBar1->setText(QString::fromStdString(refusal));
        return;
    }
    WriteFirmware(FlashableStart);
}

void TFormFlash::ShowBlockProgress(int address, int blocksDone, TLongOperation& progress)
{
    const int lastAddress = static_cast<int>(FirmwareImage.size()) - 1;
    StatusBar1->setText("Flashing address " + Hex(address) + "..." + Hex(address + FlashBlockSize - 1) + " hex of " +
                        Hex(lastAddress) + " hex");
    StatusBar1->repaint();
    progress.Step(blocksDone);
    Sleep(ProgressPauseMs);
}

void TFormFlash::WriteFirmware(int start)
{
    const int length = static_cast<int>(FirmwareImage.size());
    if (start >= length)
        return;
    const int blocks = (length - start + FlashBlockSize - 1) / FlashBlockSize;
    TLongOperation progress(*this, blocks);
    progress.Begin("Flashing");
    try {
        ProgramFlash(FirmwareImage, start, [&](int address) {
            ShowBlockProgress(address, (address - start) / FlashBlockSize, progress);
        });
    } catch (const TransferError& e) {
        StatusBar1->setText(QString::fromStdString(e.what()));
        return;
    }
    // Without this the line would keep the last progress text, which reads
    // the same as a run that stopped half-way.
    progress.Step(blocks);
    StatusBar1->setText("Flashing finished: " + QString::number(blocks) + " blocks written");
}
