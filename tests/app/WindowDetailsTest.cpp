// What a new user meets in the main window: long frequencies, the hint, the
// increment menu and the smallest size.
#include <QHelpEvent>
#include <QMenu>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyleOptionMenuItem>
#include <QTest>
#include <QToolTip>

#include <cstring>

#include "AppFixture.h"

using WindowDetails = AppTest;

TEST_F(WindowDetails, ALongFrequencyIsShownWholeOrFromItsBeginning)
{
    const struct {
        const char* Name;
        const char* Unit;
        const char* Frequency;
        QPushButton* TFormMain::*Step;
        const char* Shown;
        bool Whole;  // else too long even in the smallest type: its beginning shows
    } cases[] = {
        {"a step in Hz", "0", " 1.44123456789000E+0008", &TFormMain::Button3, "144123457.789", true},
        {"a large stored value", "2", " 1.23456789012346E+0025", nullptr, "1.23456789012346E19", false},
        {"a tiny negative one", "0", "-1.23456789012346E-0100", nullptr, "-1.23456789012346E-100", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        WriteSettings({{"Unit=", c.Unit}, {"Frequency=", c.Frequency}});
        Start().show();
        if (c.Step)
            Click(Form.get()->*c.Step);
        EXPECT_EQ(EditText(), c.Shown);
        const QLineEdit& edit = *Form->Edit1;
        EXPECT_GE(edit.font().pointSizeF(), 8) << "still easy to read";
        EXPECT_LT(edit.font().pointSizeF(), 12) << "a smaller type";
        if (c.Whole) {
            EXPECT_LE(edit.fontMetrics().horizontalAdvance(edit.text()), edit.contentsRect().width());
            EXPECT_EQ(edit.toolTip(), "");
        } else {
            EXPECT_EQ(edit.cursorPosition(), 0) << "the field scrolls to the start of the text";
            EXPECT_EQ(edit.toolTip(), c.Shown) << "the whole value, exponent and all";
        }
    }
    // A value that fits is in the large type, the cursor at its end for typing on.
    WriteSettings();
    Start();
    EXPECT_EQ(Form->Edit1->cursorPosition(), 2);
    EXPECT_EQ(Form->Edit1->font().pointSizeF(), 12);
}

TEST_F(WindowDetails, TheTypeFollowsEveryChangeOfTheValue)
{
    const struct {
        const char* Typed;
        bool Large;  // in the full type
        bool Tip;    // the whole value in the tooltip
    } steps[] = {
        {"144123456.78912", false, false},
        {"14", true, false},
        {"1.2345678901234567", false, true},
        {"7", true, false},
    };
    WriteSettings();
    Start().show();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Typed);
        Form->Edit1->selectAll();
        TypeKeys(step.Typed);
        EXPECT_EQ(Form->Edit1->font().pointSizeF() == 12, step.Large);
        EXPECT_EQ(Form->Edit1->toolTip(), step.Tip ? step.Typed : "");
        EXPECT_EQ(Form->Edit1->cursorPosition(), static_cast<int>(std::strlen(step.Typed)))
            << "typing goes on at the end";
    }
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

// Records what the style is told to draw for each menu item.
class MenuItemRecorder : public QProxyStyle {
public:
    mutable std::vector<QStyleOptionMenuItem> Items;

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
            item && element == CE_MenuItem && item->menuItemType == QStyleOptionMenuItem::Normal)
            Items.push_back(*item);
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

}  // namespace

TEST_F(WindowDetails, IncrementMenuMarksTheChoiceWithOneCheckMark)
{
    Start();
    const struct {
        QAction* TFormMain::*Item;
        double Increment;
    } choices[] = {{&TFormMain::N1kHz1, 1000}, {&TFormMain::N10Hz1, 10}, {&TFormMain::N100MHz1, 100000000}};
    MenuItemRecorder recorder;
    Form->PopupMenu1->setStyle(&recorder);
    for (const auto& choice : choices) {
        QAction* chosen = Form.get()->*choice.Item;
        chosen->trigger();
        EXPECT_EQ(Increment, choice.Increment);
        for (QAction* item : Form->PopupMenu1->actions())
            EXPECT_EQ(item->isChecked(), item == chosen) << item->text().toStdString();
        recorder.Items.clear();
        Form->PopupMenu1->grab();
        ASSERT_EQ(recorder.Items.size(), Form->PopupMenu1->actions().size());
        for (const QStyleOptionMenuItem& item : recorder.Items) {
            EXPECT_EQ(item.checkType, QStyleOptionMenuItem::NonExclusive) << "a check mark, not a bullet";
            EXPECT_EQ(item.checked, item.text == chosen->text()) << item.text.toStdString();
        }
    }
    Form->PopupMenu1->setStyle(nullptr);
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
