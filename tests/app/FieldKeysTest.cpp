// The keys and menus a user expects in the filtered fields: select all,
// copy, cut and paste (through the field's filter), the context menu beside
// the increment items, Escape and Enter closing the dialogs.
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <functional>

#include "WindowsFixture.h"
#include "app/UAbout.h"
#include "memory/StringGrid.h"
#include "memory/UEEPROM.h"
#include "setup/USetUp.h"

namespace {

using FieldKeys = WindowsTest;

struct FieldCase {
    const char* Name;
    std::function<QLineEdit*()> Field;
    const char* Text;  // in the field before the keys
};

TEST_F(FieldKeys, SelectAllCopyCutAndPasteWorkInEveryFilteredField)
{
    const FieldCase fields[] = {
        {"frequency", [this] { return Form->Edit1; }, "14"},
        {"setup address", [this] { return Dialog->Edit1; }, "55"},
        {"setup multiplier", [this] { return Dialog->Edit2; }, "1"},
        {"grid cell", [this] { return CellEditor(2, 1); }, "FF"},
    };
    for (const FieldCase& c : fields) {
        SCOPED_TRACE(c.Name);
        QLineEdit* field = c.Field();
        ASSERT_NE(field, nullptr);
        const QString text = c.Text;
        field->setText(text);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        EXPECT_EQ(field->selectedText(), text);
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(QApplication::clipboard()->text(), text);
        QTest::keyClick(field, Qt::Key_Home);
        QTest::keyClick(field, Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        EXPECT_EQ(field->text(), text.mid(1));
        EXPECT_EQ(QApplication::clipboard()->text(), text.left(1));
        QTest::keyClick(field, Qt::Key_Home);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(field->text(), text) << "pasted at the cursor";
        Editor->close();
    }
    EXPECT_EQ(Errors, std::vector<std::string>{});
}

TEST_F(FieldKeys, APasteGoesThroughTheFieldsFilterAndMustLeaveANumber)
{
    const struct {
        const char* Name;
        std::function<QLineEdit*()> Field;
        const char* Pasted;
        const char* Shown;  // the whole text replaced by the paste; a refused one leaves the text before
        bool Beeps;
        std::function<bool()> Taken;  // what the window made of it
    } cases[] = {
        {"frequency, letters", [this] { return Form->Edit1; }, "7 MHz", "14", true,
         [] { return Si570Frequency == 14000000; }},
        {"frequency, no number", [this] { return Form->Edit1; }, "1.2.3", "14", true,
         [] { return Si570Frequency == 14000000; }},
        {"frequency", [this] { return Form->Edit1; }, " 7.074\n", "7.074", false,
         [] { return Si570Frequency == 7074000; }},
        {"address, prefixed", [this] { return Dialog->Edit1; }, "0x5A", "55", true,
         [] { return I2CAddress == 0x55; }},
        {"address", [this] { return Dialog->Edit1; }, "5a", "5a", false,
         [] { return I2CAddress == 0x5A; }},
        {"multiplier, a sign alone", [this] { return Dialog->Edit2; }, "-", "1", true,
         [] { return Multiplier == 1; }},
        {"multiplier", [this] { return Dialog->Edit2; }, "2.5e1", "2.5e1", false,
         [] { return Multiplier == 25; }},
        {"hex cell", [this] { return CellEditor(2, 1); }, "ab", "AB", false,
         [] { return EepromImage[0] == 0xAB; }},
        {"decimal cell, a hex digit", [this] { return CellEditor(1, 1); }, "1F", "255", true,
         [] { return EepromImage[0] == 0xFF; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Board->Eeprom.fill(0xFF);
        QLineEdit* field = c.Field();
        ASSERT_NE(field, nullptr);
        QApplication::clipboard()->setText(c.Pasted);
        const int beeps = Beeps;
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(field->text(), c.Shown);
        EXPECT_EQ(Beeps - beeps, c.Beeps ? 1 : 0);
        EXPECT_TRUE(c.Taken());
        Editor->close();
    }
}

TEST_F(FieldKeys, TheFrequencyFieldsMenuHoldsTheEditItemsAndTheIncrements)
{
    Form->show();
    QMenu* menu = RightClick(Form->Edit1);
    ASSERT_NE(menu, nullptr);
    for (const char* item : {"Cut", "Copy", "Paste", "Select All"})
        EXPECT_NE(Item(*menu, item), nullptr) << item;
    for (QAction* increment : Form->PopupMenu1->actions())
        EXPECT_TRUE(menu->actions().contains(increment)) << increment->text().toStdString();
    Item(*menu, QString::fromUtf8("± 1 kHz"))->trigger();
    EXPECT_EQ(Increment, 1000);
    menu->close();

    QApplication::clipboard()->setText("21");
    Form->Edit1->selectAll();
    menu = RightClick(Form->Edit1);
    ASSERT_NE(menu, nullptr);
    Item(*menu, "Paste")->trigger();
    EXPECT_EQ(EditText(), "21");
    EXPECT_EQ(StatusText(), "f(SI570) = 21000000 Hz");
    menu->close();

    // Elsewhere in the window, the increment menu as before.
    for (QWidget* target : std::initializer_list<QWidget*>{Form->ComboBox1, Form.get()}) {
        EXPECT_EQ(RightClick(target), Form->PopupMenu1) << target->metaObject()->className();
        Form->PopupMenu1->hide();
    }
}

TEST_F(FieldKeys, AGridCellsMenuPastesThroughTheFilterToo)
{
    Board->Eeprom.fill(0xFF);
    QLineEdit* cell = CellEditor(2, 3);
    ASSERT_NE(cell, nullptr);
    const int beeps = Beeps;
    const std::tuple<const char*, const char*, unsigned> pastes[] = {{"1g", "FFFFFFFF", 0xFF},
                                                                     {"1234abcd", "1234ABCD", 0xCD}};
    for (const auto& [pasted, shown, image] : pastes) {
        QApplication::clipboard()->setText(pasted);
        cell->selectAll();
        QMenu* menu = RightClick(cell);
        ASSERT_NE(menu, nullptr);
        Item(*menu, "Paste")->trigger();
        menu->close();
        EXPECT_EQ(cell->text(), shown);
        EXPECT_EQ(EepromImage[2], image) << "applied as typed text is";
    }
    EXPECT_EQ(Beeps - beeps, 1);
}

TEST_F(FieldKeys, EscapeClosesSetupAndAboutEnterClosesAbout)
{
    TFAbout about;
    FAbout = &about;
    const struct {
        const char* Name;
        QWidget* Window;
        Qt::Key Key;
        std::function<void()> Before;
        bool Closes;
    } cases[] = {
        {"Escape in Setup", Dialog.get(), Qt::Key_Escape, [] {}, true},
        {"Escape in Setup with a field in error", Dialog.get(), Qt::Key_Escape,
         [this] {
             Dialog->Edit2->selectAll();
             QTest::keyClick(Dialog->Edit2, Qt::Key_Backspace);
         },
         false},
        {"Escape in About", &about, Qt::Key_Escape, [] {}, true},
        {"Enter in About", &about, Qt::Key_Return, [] {}, true},
        {"Enter on the keypad in About", &about, Qt::Key_Enter, [] {}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Window->show();
        QApplication::setActiveWindow(c.Window);
        c.Before();
        QWidget* target = c.Window->focusWidget() ? c.Window->focusWidget() : c.Window;
        QTest::keyClick(target, c.Key);
        EXPECT_EQ(c.Window->isVisible(), !c.Closes);
        c.Window->hide();
    }
    EXPECT_EQ(Dialog->StatusBar1->text(), "Enter valid number!");
    FAbout = nullptr;
}

}  // namespace
