// What a new user meets in the main window: long frequencies, the hint, the
// increment menu and the smallest size.
#include <QHelpEvent>
#include <QMenu>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QToolTip>

#include "AppFixture.h"

using WindowDetails = AppTest;

TEST_F(WindowDetails, ALongFrequencyShowsItsLeadingDigits)
{
    const struct {
        const char* Name;
        const char* Unit;
        const char* Frequency;
        QPushButton* TFormMain::*Step;
        const char* Shown;
    } cases[] = {
        {"a step in Hz", "0", " 1.44123456789000E+0008", &TFormMain::Button3, "144123457.789"},
        {"a large stored value", "2", " 1.23456789012346E+0025", nullptr, "1.23456789012346E19"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings({{"Unit=", c.Unit}, {"Frequency=", c.Frequency}});
        Start().show();
        if (c.Step)
            Click(Form.get()->*c.Step);
        EXPECT_EQ(EditText(), c.Shown);
        EXPECT_EQ(Form->Edit1->cursorPosition(), 0) << "the field scrolls to the start of the text";
    }
    // A value that fits keeps the cursor at its end, so typing goes on after it.
    WriteSettings();
    Start();
    EXPECT_EQ(Form->Edit1->cursorPosition(), 2);
}

TEST_F(WindowDetails, HintOnlyOverTheWindowsOwnSurface)
{
    Start().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    auto ask = [](QWidget* widget, QPoint at) {
        QHelpEvent event(QEvent::ToolTip, at, widget->mapToGlobal(at));
        QApplication::sendEvent(widget, &event);
    };
    for (QWidget* control : std::initializer_list<QWidget*>{Form->Edit1, Form->Button1, Form->ComboBox1,
                                                            Form->CheckBox1, Form->Label1, Form->Shape1}) {
        ask(control, QPoint(2, 2));
        EXPECT_FALSE(QToolTip::isVisible()) << control->metaObject()->className();
    }
    // Between the label and the indicator nothing is placed.
    ask(Form->centralWidget(), Form->Shape1->geometry().topLeft() - QPoint(20, 20));
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Right-Click to modify the mouse wheel increment");
    QToolTip::hideText();
}

namespace {

// Reads what the style is told to draw for an item.
class MenuProbe : public QMenu {
public:
    using QMenu::initStyleOption;
};

}  // namespace

TEST_F(WindowDetails, IncrementMenuMarksTheChoiceWithOneCheckMark)
{
    Start();
    const struct {
        QAction* TFormMain::*Item;
        double Increment;
    } choices[] = {{&TFormMain::N1kHz1, 1000}, {&TFormMain::N10Hz1, 10}, {&TFormMain::N100MHz1, 100000000}};
    for (const auto& choice : choices) {
        QAction* chosen = Form.get()->*choice.Item;
        chosen->trigger();
        EXPECT_EQ(Increment, choice.Increment);
        for (QAction* item : Form->PopupMenu1->actions()) {
            EXPECT_EQ(item->isChecked(), item == chosen) << item->text().toStdString();
            QStyleOptionMenuItem option;
            static_cast<MenuProbe*>(Form->PopupMenu1)->initStyleOption(&option, item);
            EXPECT_EQ(option.checkType, QStyleOptionMenuItem::NonExclusive) << "a check mark, not a bullet";
        }
    }
}

TEST_F(WindowDetails, CannotShrinkUntilTheStatusBarCoversTheControls)
{
    Start().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Form->resize(40, 40);
    QApplication::processEvents();
    const int controlsBottom = Form->CheckBox2->mapTo(Form.get(), QPoint(0, Form->CheckBox2->height())).y();
    EXPECT_GE(Form->statusBar()->y(), controlsBottom);
    const int right = Form->Label2->mapTo(Form.get(), QPoint(Form->Label2->width(), 0)).x();
    EXPECT_GE(Form->width(), right);
}
