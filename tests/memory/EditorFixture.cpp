#include "EditorFixture.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <cstdlib>
#include <fstream>

#include "memory/UIntelHex.h"
#include "support/FileDialogs.h"

void EditorTest::SetUp()
{
    AppTest::SetUp();
    ::setenv("XDG_DATA_HOME", (WorkDir / "data").c_str(), 1);
    FileDialogHook = [this](const QFileDialog& dialog) {
        DialogFilters.push_back(dialog.nameFilters().join(";").toStdString() + " ." +
                                dialog.defaultSuffix().toStdString());
        return DialogAnswer;
    };
    UnwrittenEditsHook = [this](const std::string& question) {
        Questions.push_back(question);
        return QuestionAnswer;
    };
    ResetVendorTransferCount();
}

void EditorTest::TearDown()
{
    VendorTransferHook = nullptr;
    FileDialogHook = nullptr;
    UnwrittenEditsHook = nullptr;
    FormEEPROM = nullptr;
    FormEEPROM_Orvel = nullptr;
    FilterEditor.reset();
    Editor.reset();
    ::unsetenv("XDG_DATA_HOME");
    AppTest::TearDown();
}

void EditorTest::StartEditors()
{
    StartOnline();
    Editor = std::make_unique<TFormEEPROM>();
    FormEEPROM = Editor.get();
    FilterEditor = std::make_unique<TFormEEPROM_Orvel>();
    FormEEPROM_Orvel = FilterEditor.get();
    Board->Eeprom = BoardPattern();
}

std::array<uint8_t, 512> EditorTest::BoardPattern() const
{
    std::array<uint8_t, 512> image{};
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<uint8_t>(i * 7 + 3);
    return image;
}

void EditorTest::Open(TEepromEditor& editor)
{
    Board->Log.clear();
    (&editor == FilterEditor.get() ? Form->EEPROM_Orvel : Form->EEPROMSetup1)->trigger();
}

void EditorTest::ClickCell(TEepromEditor& editor, int col, int row)
{
    editor.SG->scrollToItem(editor.SG->item(row - 1, col));
    const QRect cell = editor.SG->visualItemRect(editor.SG->item(row - 1, col));
    QTest::mouseClick(editor.SG->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
}

void EditorTest::TypeIntoGrid(TEepromEditor& editor, const QString& keys)
{
    for (const QChar c : keys) {
        // The first key opens the cell's editor; the rest go to it.
        QWidget* target = editor.SG;
        for (QLineEdit* line : editor.SG->findChildren<QLineEdit*>())
            if (line->isVisible())
                target = line;
        QTest::keyClick(target, c.toLatin1());
    }
}

void EditorTest::PressKey(TEepromEditor& editor, Qt::Key key)
{
    QTest::keyClick(editor.SG, key);
}

std::string EditorTest::Cell(const TEepromEditor& editor, int col, int row)
{
    return editor.SG->Cells(col, row).toStdString();
}

std::vector<std::string> EditorTest::Listing(const TEepromEditor& editor)
{
    std::vector<std::string> lines;
    for (int i = 0; i < editor.ListBox1->count(); ++i)
        lines.push_back(editor.ListBox1->item(i)->text().toStdString());
    return lines;
}

std::string EditorTest::Status(const TEepromEditor& editor)
{
    return editor.StatusBar1->text().toStdString();
}

std::string EditorTest::FileNamed(const std::string& name) const
{
    return (WorkDir / name).string();
}

std::string EditorTest::WriteFile(const std::string& name, const std::string& text) const
{
    std::ofstream(FileNamed(name), std::ios::binary) << text;
    return FileNamed(name);
}

std::vector<std::string> EditorTest::Lines(const std::string& fileName)
{
    std::ifstream file(fileName, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        EXPECT_TRUE(line.ends_with('\r')) << "line ends in CR LF: " << line;
        if (line.ends_with('\r'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> EditorTest::BackupFiles() const
{
    std::vector<std::string> files;
    const auto folder = WorkDir / "data" / "Quorvex" / "backups";
    if (std::filesystem::exists(folder))
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            files.push_back(entry.path().string());
    return files;
}

std::array<uint8_t, 512> EditorTest::HexImage(const std::string& fileName)
{
    std::array<uint8_t, 512> image{};
    int lowest = 0, span = 0;
    EXPECT_EQ(ReadIntelHex(fileName, lowest, span, image), 1);
    EXPECT_EQ(lowest + span, 512);
    return image;
}

int EditorTest::Requests(int request) const
{
    return static_cast<int>(std::count_if(Board->Log.begin(), Board->Log.end(),
                                          [request](const TransferRecord& t) { return t.Request == request; }));
}

void EditorTest::BoardFailsFrom(int vendorTransfer, int err)
{
    ResetVendorTransferCount();
    VendorTransferHook = [this, vendorTransfer, err](TVendorTransfer& t) {
        if (t.Number == vendorTransfer)
            Board->FailRequest[static_cast<uint8_t>(t.Request)] = err;
    };
}
