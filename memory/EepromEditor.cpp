#include "memory/EepromEditor.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "app/DesignLayout.h"
#include "app/UQuorvex.h"
#include "memory/EepromBoard.h"
#include "memory/StringGrid.h"
#include "memory/UIntelHex.h"
#include "support/BindHandler.h"
#include "support/FileDialogs.h"
#include "support/Feedback.h"
#include "support/LongOperation.h"
#include "support/StatusText.h"
#include "support/UUtils.h"

namespace {

constexpr double DesignPpi = 96;
constexpr int ListingHeight = 273;
constexpr int RowHeight = 18;
constexpr int ColWidths[] = {450, 100, 100};
constexpr int ColDecimal = 1;
constexpr int ColHex = 2;
const QString InputErrorText = "Input error in focussed field";

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

}  // namespace

TEepromEditor::TEepromEditor(const TEditorLayout& layout, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), layout_(layout)
{
    if (!layout_.Rows || layout_.OwnBytes <= 0 || layout_.OwnBytes > EepromBytes || layout_.OwnBytes % 16 != 0)
        throw RangeError("EEPROM editor layout out of range");
    setWindowTitle("EEPROM Editor");
    setAttribute(Qt::WA_QuitOnClose, false);
    CreateControls();
    CreateMenus();
    Guarded([this] { FormCreate(); });
}

void TEepromEditor::CreateControls()
{
    const TDesignScale design(*this, DesignPpi);
    auto* client = new QWidget(this);
    setCentralWidget(client);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ListBox1 = new QListWidget(client);
    QFont terminal = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    terminal.setPixelSize(design(16));
    ListBox1->setFont(terminal);
    ListBox1->setFixedHeight(design(ListingHeight));
    column->addWidget(ListBox1);

    SG = new TStringGrid(3, static_cast<int>(layout_.Rows->size()) + 1, client);
    column->addWidget(SG, 1);
    SG->OnKeyPress = [this](char16_t& Key) { SGKeyPress(Key); };
    SG->AcceptsText = [](int col, const QString& text) {
        uint64_t value = 0;
        return ParseCellText(text.toStdString(), col == ColHex, value);
    };
    SG->OnKeyUp = [this] { Guarded([this] { SGKeyUp(); }); };
    SG->OnMouseDown = [this] { Guarded([this] { SGMouseDown(); }); };

    StatusBar1 = new TStatusText;
    statusBar()->addWidget(StatusBar1, 1);
    statusBar()->setSizeGripEnabled(false);

    SaveDialog = new QFileDialog(this);
    SaveDialog->setAcceptMode(QFileDialog::AcceptSave);
    SaveDialog->setNameFilter("Intel hex file (*.hex)");
    SaveDialog->setDefaultSuffix("hex");
    OpenHex = new QFileDialog(this);
    OpenHex->setAcceptMode(QFileDialog::AcceptOpen);
    OpenHex->setFileMode(QFileDialog::ExistingFile);
    OpenHex->setNameFilter("Intel hex files (*.hex)");
    OpenHex->setDefaultSuffix("hex");
}

void TEepromEditor::CreateMenus()
{
    File1 = menuBar()->addMenu("&File");
    Load1 = File1->addAction("&Load");
    Save1 = File1->addAction("&Save");
    File1->addSeparator();
    OpenBackups1 = File1->addAction("Open &Backups Folder");
    EEPROM1 = menuBar()->addMenu("&EEPROM");
    ReadEEPROM2 = EEPROM1->addAction("&Read EEPROM");
    readEEPROM1 = EEPROM1->addAction("&Write EEPROM");
    Clearbuffer1 = EEPROM1->addAction("&Clear buffer");
    Bind(this, Load1, &QAction::triggered, &TEepromEditor::Load1Click);
    Bind(this, Save1, &QAction::triggered, &TEepromEditor::Save1Click);
    Bind(this, OpenBackups1, &QAction::triggered, &TEepromEditor::OpenBackups1Click);
    Bind(this, ReadEEPROM2, &QAction::triggered, &TEepromEditor::ReadEEPROM2Click);
    Bind(this, readEEPROM1, &QAction::triggered, &TEepromEditor::readEEPROM1Click);
    Bind(this, Clearbuffer1, &QAction::triggered, &TEepromEditor::Clearbuffer1Click);
}

void TEepromEditor::FormCreate()
{
    const TDesignScale design(*this, DesignPpi);
    // The design's widths are those of its own font; labels and values are read in full here.
    int labelWidth = design(ColWidths[0]);
    for (const TEepromField& field : *layout_.Rows)
        labelWidth = std::max(labelWidth, SG->fontMetrics().horizontalAdvance(Text(field.Label)) + design(12));
    // The widest values shown: 48 bits in decimal and in hex.
    const int decimalWidth =
        std::max(design(ColWidths[ColDecimal]), SG->fontMetrics().horizontalAdvance("281474976710655") + design(16));
    const int hexWidth =
        std::max(design(ColWidths[ColHex]), SG->fontMetrics().horizontalAdvance("DDDDDDDDDDDD") + design(16));
    int rowHeight = std::max(design(RowHeight), SG->fontMetrics().height() + 2);
    const int chrome = SG->verticalScrollBar()->sizeHint().width() + 2 * SG->frameWidth();
    // On a screen too narrow for the labels in one line, they take two.
    const int labelRoom = ScreenRoom(*this).width() - decimalWidth - hexWidth - chrome;
    if (labelWidth > labelRoom) {
        labelWidth = std::max(labelRoom, labelWidth / 2);
        rowHeight = std::max(rowHeight, 2 * SG->fontMetrics().height() + 2);
    }
    SG->setColumnWidth(0, labelWidth);
    SG->setColumnWidth(ColDecimal, decimalWidth);
    SG->setColumnWidth(ColHex, hexWidth);
    SG->SetRowHeights(rowHeight);
    resize(std::max(design(layout_.Width), labelWidth + decimalWidth + hexWidth + chrome), design(layout_.Height));
    FitOnScreen(*this);
    RefreshGrid(false, false);
}

void TEepromEditor::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { FormShow(); });
}

void TEepromEditor::closeEvent(QCloseEvent* event)
{
    Guarded([this] { FormClose(); });
    event->accept();
}

void TEepromEditor::FormShow()
{
    ClearOwnBytes();
    if (DeviceOnline)
        ReadIntoImage();
    RefreshListing();
    RefreshGrid(true, true);
}

void TEepromEditor::FormClose()
{
    if (FormMain)
        FormMain->EndToolWindow();
}

void TEepromEditor::ClearOwnBytes()
{
    std::fill_n(EepromImage.begin(), layout_.OwnBytes, 0xFF);
}

template <typename Action>
void TEepromEditor::ShowingFailure(Action&& action)
{
    try {
        action();
    } catch (const std::exception& e) {
        // Kept in view until the next successful read.
        StatusBar1->setText(Text(e.what()));
        RefreshListing();
        RefreshGrid(true, true);
        throw;
    }
}

void TEepromEditor::ReadIntoImage()
{
    // What the line said was about the image before: it does not stand beside the progress.
    StatusBar1->clear();
    TLongOperation operation(*this, static_cast<int>(EepromImage.size()));
    operation.Begin("Reading EEPROM");
    ShowingFailure([&] {
        if (const auto board = ReadBoardEeprom([&](int done) { operation.Step(done); })) {
            EepromImage = *board;
            StatusBar1->clear();
        } else {
            StatusBar1->setText(DeviceNotFoundError().what());
        }
    });
}

void TEepromEditor::ReadEEPROM2Click()
{
    ClearOwnBytes();
    ReadIntoImage();
    RefreshListing();
    RefreshGrid(true, true);
}

void TEepromEditor::readEEPROM1Click()
{
    StatusBar1->clear();
    TLongOperation operation(*this, EepromWriteSteps);
    ShowingFailure([&] {
        StatusBar1->setText(Text(WriteBoardEeprom([&](int done, const char* what) {
            operation.Begin(what);
            operation.Step(done);
        })));
    });
}

void TEepromEditor::Clearbuffer1Click()
{
    ClearOwnBytes();
    RefreshListing();
    RefreshGrid(true, true);
}

void TEepromEditor::Save1Click()
{
    SaveDialog->selectFile("");
    const std::string name = RunFileDialog(*SaveDialog);
    if (name.empty())
        return;
    const std::vector<uint8_t> buffer(EepromImage.begin(), EepromImage.begin() + layout_.OwnBytes);
    WriteIntelHex(name, 0, layout_.OwnBytes, buffer);
}

// Where a write keeps the board's previous EEPROM, for the operator to find
// a backup by name; made if no write has made it yet.
void TEepromEditor::OpenBackups1Click()
{
    const QString folder = QString::fromStdString(BackupFolder());
    QDir().mkpath(folder);
    QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

void TEepromEditor::Load1Click()
{
    StatusBar1->clear();
    OpenHex->selectFile("");
    const std::string name = RunFileDialog(*OpenHex);
    if (name.empty())
        return;
    std::vector<uint8_t> buffer(65536, 0x00);
    int lowest = 0;
    int span = 0;
    if (ReadIntelHex(name, lowest, span, buffer) < 0) {
        StatusBar1->setText(Text("Error reading " + name));
        return;
    }
    std::copy_n(buffer.begin(), layout_.OwnBytes, EepromImage.begin());
    RefreshListing();
    RefreshGrid(true, true);
}

void TEepromEditor::SGMouseDown()
{
    EditColumn = SG->Col();
    RefreshGrid(true, true);
}

void TEepromEditor::SGKeyPress(char16_t& Key)
{
    Key = QChar(Key).toUpper().unicode();
    FilterKey(this, Key, KeyClassHex);
}

void TEepromEditor::SGKeyUp()
{
    if (EditColumn == ColDecimal)
        ApplyDecimalColumn();
    else
        ApplyHexColumn();
}

void TEepromEditor::RefreshListing()
{
    ListBox1->clear();
    for (int address = 0; address < layout_.OwnBytes; address += 16)
        ListBox1->addItem(Text(HexListingLine(address, std::span(EepromImage).subspan(address, 16))));
}

void TEepromEditor::RefreshGrid(bool decimal, bool hex)
{
    // Both columns from the image: a cell's unconvertible text is gone, and with it the error.
    if (decimal && hex)
        ClearInputError();
    SG->SetCell(0, 0, "[Address] Item");
    SG->SetCell(ColDecimal, 0, "Decimal");
    SG->SetCell(ColHex, 0, "Hex");
    int row = 1;
    for (const TEepromField& field : *layout_.Rows) {
        SG->SetCell(0, row, Text(field.Label));
        const uint64_t value = FieldValue(field, EepromImage);
        if (decimal)
            SG->SetCell(ColDecimal, row, Text(DecimalText(value)));
        if (hex)
            SG->SetCell(ColHex, row, Text(HexText(field, value)));
        ++row;
    }
}

void TEepromEditor::ApplyHexColumn()
{
    ApplyColumn(ColHex);
}

void TEepromEditor::ApplyDecimalColumn()
{
    ApplyColumn(ColDecimal);
}

void TEepromEditor::ApplyColumn(int col)
{
    int row = 1;
    for (const TEepromField& field : *layout_.Rows) {
        uint64_t value = 0;
        if (!ParseCellText(SG->Cells(col, row).toStdString(), col == ColHex, value)) {
            SG->SetCurrent(col, row);
            SG->setFocus();
            StatusBar1->setText(InputErrorText);
            return;
        }
        StoreField(field, value, EepromImage);
        ++row;
    }
    ClearInputError();
    RefreshListing();
    RefreshGrid(col == ColHex, col == ColDecimal);
}

void TEepromEditor::ClearInputError()
{
    if (StatusBar1->text() == InputErrorText)
        StatusBar1->clear();
}
