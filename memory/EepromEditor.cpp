#include "memory/EepromEditor.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "app/DesignLayout.h"
#include "app/UQuorvex.h"
#include "memory/EepromBoard.h"
#include "memory/EepromFile.h"
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
const char* const InputErrorText = "Input error in focussed field";
const QColor UnloadedColour(255, 224, 160);
const char* const UnloadedTip = "Not in the loaded file: set to 00";

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
    bool mayClose = false;
    Guarded([&] { mayClose = MayDiscardEdits("closing the editor"); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    Guarded([this] { FormClose(); });
    event->accept();
}

void TEepromEditor::FormShow()
{
    ClearOwnBytes();
    boardImage_ = EepromImage;  // nothing of the operator's yet, also when the read fails
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
    unloaded_.clear();
}

bool TEepromEditor::HasUnwrittenEdits() const
{
    return boardImage_ && *boardImage_ != EepromImage;
}

bool TEepromEditor::MayDiscardEdits(const std::string& action)
{
    if (!HasUnwrittenEdits())
        return true;
    switch (AskAboutUnwrittenEdits("The EEPROM image holds edits that were not written to the board.\n\n"
                                   "Write them to the board before " + action + "?")) {
    case TUnwrittenChoice::Write:
        // A failed write raises and ends the action; a verification that
        // found differences leaves the edits unwritten, and the action waits.
        readEEPROM1Click();
        return !HasUnwrittenEdits();
    case TUnwrittenChoice::Discard:
        return true;
    case TUnwrittenChoice::Stay:
        break;
    }
    return false;
}

// Staying is the default, so a hasty Enter loses nothing.
TUnwrittenChoice TEepromEditor::AskAboutUnwrittenEdits(const std::string& question)
{
    if (UnwrittenEditsHook)
        return UnwrittenEditsHook(question);
    QMessageBox box(QMessageBox::Question, windowTitle(), Text(question), QMessageBox::NoButton, this);
    QPushButton* write = box.addButton("&Write", QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton("&Discard", QMessageBox::DestructiveRole);
    QPushButton* stay = box.addButton("&Stay", QMessageBox::RejectRole);
    box.setDefaultButton(stay);
    box.setEscapeButton(stay);
    box.exec();
    if (box.clickedButton() == write)
        return TUnwrittenChoice::Write;
    return box.clickedButton() == discard ? TUnwrittenChoice::Discard : TUnwrittenChoice::Stay;
}

void TEepromEditor::SetUnloaded(const std::vector<TAddressRange>& ranges)
{
    unloaded_.assign(static_cast<size_t>(layout_.OwnBytes), false);
    for (const TAddressRange& r : ranges)
        for (int a = r.First; a <= r.Last && a < layout_.OwnBytes; ++a)
            unloaded_[static_cast<size_t>(a)] = true;
}

bool TEepromEditor::IsUnloaded(int address) const
{
    return address >= 0 && static_cast<size_t>(address) < unloaded_.size() && unloaded_[static_cast<size_t>(address)];
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
    try {
        ShowingFailure([&] {
            if (const auto board = ReadBoardEeprom([&](int done) { operation.Step(done); })) {
                EepromImage = *board;
                StatusBar1->clear();
            } else {
                StatusBar1->setText(DeviceNotFoundError().what());
            }
        });
    } catch (...) {
        boardImage_ = EepromImage;  // cleared: the operator's edits were given up before the read
        throw;
    }
    boardImage_ = EepromImage;
}

void TEepromEditor::ReadEEPROM2Click()
{
    if (!MayDiscardEdits("reading the board"))
        return;
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
        const std::string result = WriteBoardEeprom([&](int done, const char* what) {
            operation.Begin(what);
            operation.Step(done);
        });
        StatusBar1->setText(Text(result));
        if (result.starts_with(EepromVerifiedText))
            boardImage_ = EepromImage;
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
    std::optional<TEepromFile> file;
    try {
        file = LoadEepromFile(name, layout_.OwnBytes);
    } catch (const HexContentError& e) {
        StatusBar1->setText(Text(e.what()));
        return;
    }
    if (!MayDiscardEdits("loading " + name))
        return;
    std::copy_n(file->Hex.Bytes.begin(), layout_.OwnBytes, EepromImage.begin());
    SetUnloaded(file->Missing);
    RefreshListing();
    RefreshGrid(true, true);
    if (const std::string gaps = file->GapsText("set to 00", "not loaded"); !gaps.empty())
        StatusBar1->setText(Text("Loaded " + name + "; " + gaps));
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
    for (int address = 0; address < layout_.OwnBytes; address += 16) {
        auto* line = new QListWidgetItem(Text(HexListingLine(address, std::span(EepromImage).subspan(address, 16))));
        for (int a = address; a < address + 16; ++a)
            if (IsUnloaded(a)) {
                line->setBackground(UnloadedColour);
                line->setToolTip(UnloadedTip);
                break;
            }
        ListBox1->addItem(line);
    }
}

void TEepromEditor::RefreshGrid(bool decimal, bool hex)
{
    // Both columns from the image: no edit has begun, and a cell's refused
    // text is gone, and with it the message about it.
    if (decimal && hex) {
        editCol_ = editRow_ = -1;
        ClearInputError();
    }
    SG->SetCell(0, 0, "[Address] Item");
    SG->SetCell(ColDecimal, 0, "Decimal");
    SG->SetCell(ColHex, 0, "Hex");
    int row = 1;
    for (const TEepromField& field : *layout_.Rows) {
        SG->SetCell(0, row, Text(field.Label));
        bool unloaded = false;
        for (int a = field.Address; a < field.Address + field.Width; ++a)
            unloaded = unloaded || IsUnloaded(a);
        for (const int col : {ColDecimal, ColHex})
            SG->SetCellMark(col, row, unloaded ? UnloadedColour : QColor(), unloaded ? UnloadedTip : "");
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
    const bool hex = col == ColHex;
    if (SG->Col() != editCol_ || SG->Row() != editRow_) {
        editCol_ = SG->Col();
        editRow_ = SG->Row();
        editOrigin_ = EepromImage;
    }
    int row = 1;
    for (const TEepromField& field : *layout_.Rows) {
        uint64_t value = 0;
        const TCellText text = ParseFieldText(SG->Cells(col, row).toStdString(), hex, field, value);
        if (text != TCellText::Value) {
            if (col == editCol_ && row == editRow_)
                PutBackEditedField(field, row, hex);
            RefuseCell(col, row, text == TCellText::TooLarge ? TooLargeText(field, row, hex) : InputErrorText);
            if (text == TCellText::TooLarge)
                rangeRefusal_ = StatusBar1->text().toStdString();
            return;
        }
        if (value != FieldValue(field, EepromImage))
            for (int a = field.Address; a < field.Address + field.Width; ++a)
                if (IsUnloaded(a))
                    unloaded_[static_cast<size_t>(a)] = false;
        StoreField(field, value, EepromImage);
        ++row;
    }
    ClearInputError();
    RefreshListing();
    RefreshGrid(hex, !hex);
}

void TEepromEditor::PutBackEditedField(const TEepromField& field, int row, bool hex)
{
    const uint64_t before = FieldValue(field, editOrigin_);
    if (FieldValue(field, EepromImage) == before)
        return;
    StoreField(field, before, EepromImage);
    RefreshListing();
    SG->SetCell(hex ? ColDecimal : ColHex, row, Text(hex ? DecimalText(before) : HexText(field, before)));
}

void TEepromEditor::RefuseCell(int col, int row, const std::string& why)
{
    if (SG->Col() != col || SG->Row() != row)
        SG->SetCurrent(col, row);
    // Taking the focus from the cell's editor would close it mid-typing.
    QWidget* focus = QApplication::focusWidget();
    if (focus != SG && !SG->isAncestorOf(focus))
        SG->setFocus();
    StatusBar1->setText(Text(why));
}

void TEepromEditor::ClearInputError()
{
    const std::string shown = StatusBar1->text().toStdString();
    if (shown == InputErrorText || (!rangeRefusal_.empty() && shown == rangeRefusal_))
        StatusBar1->clear();
    rangeRefusal_.clear();
}
