// Online detection, FSK keying and the tool-window sequence.
#include <QCloseEvent>
#include <QTest>

#include <functional>

#include "AppFixture.h"
#include "support/Feedback.h"

using OnlineDetection = AppTest;
using FskKeying = AppTest;
using ToolWindow = AppTest;

namespace {

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

// Stands for the EEPROM editors and the flasher.
class StandInTool : public QWidget {
public:
    explicit StandInTool(TFormMain& form) : form_(form) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        form_.EndToolWindow();
        event->accept();
    }

private:
    TFormMain& form_;
};

}  // namespace

TEST_F(OnlineDetection, BoardPluggedInAfterStartTurnsGreenAndGetsTheFrequencyOnce)
{
    WriteSettings({{"OnlineDetect=", "1"}});
    Start().Timer1Timer();
    EXPECT_EQ(Form->Shape1->BrushColor(), Red);
    EXPECT_EQ(Form->Label2->text(), "Synthesizer offline");

    Board = PlugBoard();
    Form->Timer1Timer();
    EXPECT_EQ(Form->Shape1->BrushColor(), Green);
    EXPECT_EQ(Form->Label2->text(), "Synthesizer online");
    EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01);

    // Replugged, it restarts at its factory frequency: it gets the shown one again, once.
    Fs.Unplug(*Board);
    Form->Timer1Timer();
    EXPECT_EQ(Form->Shape1->BrushColor(), Red);
    Fs.Plug(Board);
    EXPECT_NEAR(Board->OutputMHz(), 56.32, 1e-3);
    Form->Timer1Timer();
    Form->Timer1Timer();
    EXPECT_EQ(FrequencyRequests(*Board), 2);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01);
    EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");

    PlugBoard(u"VELNOR-I2C", u"2");
    Form->Timer1Timer();
    EXPECT_EQ(Form->Label2->text(), "2 synthesizers online");
}

TEST_F(OnlineDetection, UntickingHidesTheLightAndSendsWithoutLooking)
{
    WriteSettings({{"OnlineDetect=", "1"}});
    Board = PlugBoard();
    Start().CheckBox2->setChecked(false);
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_FALSE(Form->Label2->isVisibleTo(Form.get()));
    EXPECT_FALSE(Form->Shape1->isVisibleTo(Form.get()));
    ResetLibusbCalls();
    Board->Log.clear();
    TypeKeys("1");
    EXPECT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_EQ(Calls().Open, 1) << "opened to send, without a search of every device first";
}

TEST_F(FskKeying, WithoutBoardTheBoxUnticksAndSaysWhy)
{
    WriteSettings({{"OnlineDetect=", "1"}});
    Start();
    Click(Form->CheckBox1);
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_TRUE(Form->Edit1->isEnabled());
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(StatusText(), "FSK keying not started: board not found");
}

TEST_F(FskKeying, KeyingStartedWithTheKeyDownSendsTheShiftedFrequencyFirst)
{
    StartOnline();
    Board->KeyByte = 0;  // bit 0x20 clear: the key is down
    Click(Form->CheckBox1);
    Board->Log.clear();
    Form->Timer2Timer();
    EXPECT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000100), 0.01);
    Form->Timer2Timer();
    EXPECT_EQ(FrequencyRequests(*Board), 1) << "no change, nothing sent";
    Click(Form->CheckBox1);
}

TEST_F(FskKeying, TheKeyBitSelectsBetweenTheTwoFrequencies)
{
    StartOnline();
    const std::initializer_list<QWidget*> tuning{Form->Button1, Form->Button2, Form->Button3, Form->Button4,
                                                 Form->Button5, Form->Button6, Form->Edit1,   Form->ComboBox1};
    Click(Form->CheckBox1);
    EXPECT_TRUE(Form->Timer2->isActive());
    EXPECT_FALSE(Form->Timer1->isActive());
    for (QWidget* control : tuning)
        EXPECT_FALSE(control->isEnabled());

    auto poll = [&] {
        Board->Log.clear();
        Form->Timer2Timer();
        return FrequencyRequests(*Board);
    };
    EXPECT_EQ(poll(), 1);  // key up, bit 0x20 set: the frequency keying began with
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01);
    EXPECT_EQ(poll(), 0);
    Board->KeyByte &= static_cast<uint8_t>(~0x20);
    EXPECT_EQ(poll(), 1);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000100), 0.01);
    EXPECT_EQ(Board->Log.front().Request, 0x51);
    EXPECT_EQ(EditText(), "14");

    // Ended with the key down: the board stays on the shifted frequency.
    Click(Form->CheckBox1);
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_FALSE(Form->Timer1->isActive()) << "detection follows its box";
    EXPECT_FALSE(Form->Label2->isVisibleTo(Form.get()));
    for (QWidget* control : tuning)
        EXPECT_TRUE(control->isEnabled());
    EXPECT_EQ(Fs.OpenFiles(), 0);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000100), 0.01);
}

TEST_F(ToolWindow, SuspendsOnlineDetectionAndTheMainWindowUntilItCloses)
{
    WriteSettings({{"OnlineDetect=", "1"}});
    Start().show();
    StandInTool tool(*Form);
    Form->ShowToolWindow(&tool);
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_FALSE(Form->Timer1->isActive());
    EXPECT_FALSE(Form->Label2->isVisible());
    EXPECT_TRUE(DeviceOnline);
    EXPECT_TRUE(tool.isVisible());
    EXPECT_FALSE(Form->isEnabled());

    tool.close();
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_TRUE(Form->Label2->isVisible());
    EXPECT_TRUE(Form->isEnabled());

    Form->CheckBox2->setChecked(false);
    Form->ShowToolWindow(&tool);
    tool.close();
    EXPECT_FALSE(Form->CheckBox2->isChecked());
    EXPECT_FALSE(Form->Timer1->isActive());
}

TEST_F(ToolWindow, WithoutASettingsFileTheToolStillCountsTheBoardOnline)
{
    Start();  // the box unticked, detection waiting for its first tick
    ASSERT_FALSE(DeviceOnline);
    StandInTool tool(*Form);
    Form->ShowToolWindow(&tool);
    EXPECT_TRUE(DeviceOnline);
    EXPECT_FALSE(Form->Timer1->isActive()) << "no detection while the tool drives the board";
    tool.close();
}

using LostBoard = AppTest;

// Without detection a missing board is said in a box once; until it is found
// again or another is chosen, attempts say so in the status bar, and the
// click on "Online detect" that leaves the field is not lost to a box.
TEST_F(LostBoard, OneBoxPerAbsenceAndTheOnlineDetectClickIsKept)
{
    const std::string notFound = "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !";
    Board = PlugBoard(u"VELNOR-I2C", u"SN1");
    WriteSettings({{"DevSerial=", "SN1"}, {"DevNo=", std::to_string(Fs.DeviceNumber(*Board))}});
    Start().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Fs.Unplug(*Board);
    const struct {
        const char* Name;
        std::function<void()> Act;
        size_t Boxes;  // in all, so far
        const char* Status;
    } steps[] = {
        {"click in the field", [this] { Click(Form->Edit1); }, 1, ""},
        {"typing", [this] { TypeKeys("0"); }, 1, "board not found"},
        {"step button", [this] { Click(Form->Button3); }, 1, "board not found"},
        {"wheel", [this] { Wheel(120); }, 1, "board not found"},
        {"leaving the field for Online detect",
         [this] {
             Form->Edit1->setFocus();
             Form->StatusBar1->clear();
             Click(Form->CheckBox2);
         },
         1, "board not found"},
    };
    Form->Edit1->setFocus();
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Act();
        EXPECT_EQ(Errors.size(), step.Boxes);
        EXPECT_EQ(StatusText(), step.Status);
    }
    EXPECT_EQ(Errors.front(), notFound);
    EXPECT_TRUE(Form->CheckBox2->isChecked()) << "the click reached the box";
    EXPECT_TRUE(Form->Timer1->isActive());
    EXPECT_EQ(Form->Shape1->BrushColor(), Red);

    // Found again (under its new number), the shown frequency goes out; a new absence gets its box.
    Fs.Plug(Board);
    Form->Timer1Timer();
    EXPECT_EQ(Form->Shape1->BrushColor(), Green);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, Si570Frequency), 0.01);
    Form->CheckBox2->setChecked(false);
    Fs.Unplug(*Board);
    Click(Form->Edit1);
    EXPECT_EQ(Errors.size(), 2u);
}

// An FSK-keyed board that leaves: keying ends, the light goes off, one box.
TEST_F(FskKeying, ABoardThatLeavesEndsKeyingWithOneMessage)
{
    WriteSettings({{"OnlineDetect=", "1"}});
    Board = PlugBoard();
    Start().Timer1Timer();
    ASSERT_EQ(Form->Shape1->BrushColor(), Green);
    Click(Form->CheckBox1);
    Form->Timer2Timer();
    Fs.Unplug(*Board);
    for (int tick = 0; tick < 3 && Form->Timer2->isActive(); ++tick)
        Guarded([this] { Form->Timer2Timer(); });
    EXPECT_EQ(Errors, std::vector<std::string>{"FSK keying failed: the board has left the USB bus."});
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_FALSE(Form->Timer2->isActive());
    EXPECT_TRUE(Form->Timer1->isActive()) << "detection goes on, as its box says";
    EXPECT_EQ(Form->Shape1->BrushColor(), Red);
    EXPECT_EQ(Form->Label2->text(), "Synthesizer offline");
    EXPECT_FALSE(DeviceOnline);
    EXPECT_TRUE(Form->Edit1->isEnabled());
    EXPECT_EQ(Fs.OpenFiles(), 0);
}

// Without a settings file detection runs, and the box, light and label say
// so; a tool window pauses it and gives it back as it was.
TEST_F(ToolWindow, AtFirstStartTheBoxTheLightAndTheToolWindowAgree)
{
    Start().show();
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(Form->Shape1->isVisible());
    StandInTool tool(*Form);
    Form->ShowToolWindow(&tool);
    EXPECT_FALSE(Form->Shape1->isVisible());
    tool.close();
    EXPECT_TRUE(Form->CheckBox2->isChecked());
    EXPECT_TRUE(Form->Shape1->isVisible());
    EXPECT_TRUE(Form->Label2->isVisible());
    EXPECT_TRUE(Form->Timer1->isActive());
}
