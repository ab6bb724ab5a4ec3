#include "WindowsFixture.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <cstdlib>
#include <vector>

#include "flash/UFlash.h"
#include "memory/StringGrid.h"
#include "memory/UEEPROM.h"
#include "memory/UIntelHex.h"
#include "setup/USetUp.h"
#include "support/FileDialogs.h"

void WindowsTest::SetUp()
{
    AppTest::SetUp();
    ::setenv("XDG_DATA_HOME", (WorkDir / "data").c_str(), 1);
    FileDialogHook = [this](const QFileDialog&) { return ChosenFile; };
    FlashSleepHook = [](int) {};
    // Edits left in the editor are given up when it closes, as the operator may choose.
    UnwrittenEditsHook = [](const std::string&) { return TUnwrittenChoice::Discard; };
    StartOnline();
    Dialog = std::make_unique<TFormSetUp>();
    FormSetUp = Dialog.get();
    Editor = std::make_unique<TFormEEPROM>();
    FormEEPROM = Editor.get();
    Flasher = std::make_unique<TFormFlash>();
    FormFlash = Flasher.get();
    Keyer = std::make_unique<TF_MEPT>();
    F_MEPT = Keyer.get();
}

void WindowsTest::TearDown()
{
    F_MEPT = nullptr;
    Keyer.reset();
    FormFlash = nullptr;
    Flasher.reset();
    FormEEPROM = nullptr;
    Editor.reset();
    FormSetUp = nullptr;
    Dialog.reset();
    UnwrittenEditsHook = nullptr;
    FlashSleepHook = nullptr;
    FileDialogHook = nullptr;
    ::unsetenv("XDG_DATA_HOME");
    AppTest::TearDown();
}

QLineEdit* WindowsTest::CellEditor(int col, int row)
{
    Form->EEPROMSetup1->trigger();
    TStringGrid& grid = *Editor->SG;
    grid.scrollToItem(grid.item(row - 1, col));
    const QRect cell = grid.visualItemRect(grid.item(row - 1, col));
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::keyClick(&grid, Qt::Key_F2);
    for (QLineEdit* editor : grid.findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

QMenu* WindowsTest::RightClick(QWidget* widget)
{
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), widget->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(widget, &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QAction* WindowsTest::Item(const QMenu& menu, const QString& text)
{
    for (QAction* item : menu.actions())
        if (item->text().section('\t', 0, 0).remove('&') == text)
            return item;
    return nullptr;
}

std::string WindowsTest::HexFile(const std::string& name, int start, int count, uint8_t byte) const
{
    const std::string path = (WorkDir / name).string();
    WriteIntelHex(path, start, count, std::vector<uint8_t>(static_cast<size_t>(start + count), byte));
    return path;
}
