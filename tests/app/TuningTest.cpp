// Typing, stepping and wheeling the frequency, as the operator sees it and
// as the board receives it.
#include <QTest>

#include "AppFixture.h"

using Tuning = AppTest;

TEST_F(Tuning, EveryKeystrokeTunesAndOnlyDecimalCharactersGetThrough)
{
    StartOnline();
    Form->Edit1->end(false);
    QTest::keyClick(Form->Edit1, Qt::Key_Backspace);  // 1 MHz: below the Si570's range
    EXPECT_EQ(StatusText(), "frequency not supported");
    QTest::keyClick(Form->Edit1, Qt::Key_Backspace);  // "" does not parse
    EXPECT_EQ(Beeps, 1);
    EXPECT_EQ(Frequency, 1000000);
    TypeKeys("2a-,e1");
    EXPECT_EQ(EditText(), "21");
    EXPECT_EQ(StatusText(), "f(SI570) = 21000000 Hz");
    EXPECT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 21000000), 0.01);
}

TEST_F(Tuning, MouseOverClickAndLeavingTheField)
{
    StartOnline();
    Form->show();
    QApplication::setActiveWindow(Form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Form->CheckBox1->setFocus();
    QTest::mouseMove(Form.get(), QPoint(1, 1));
    QTest::mouseMove(Form->Edit1);
    EXPECT_TRUE(Form->Edit1->hasFocus()) << "the wheel tunes without a click";
    Click(Form->Edit1);
    EXPECT_EQ(FrequencyRequests(*Board), 1);

    SetEditText("1.2.3");
    QTest::keyClick(Form->Edit1, Qt::Key_Tab);
    EXPECT_EQ(Beeps, 1);
    EXPECT_TRUE(Form->Edit1->hasFocus());
    EXPECT_EQ(Frequency, 14000000);
    EXPECT_TRUE(Errors.empty());
    SetEditText("15");
    QTest::keyClick(Form->Edit1, Qt::Key_Tab);
    EXPECT_EQ(Frequency, 15000000);
    EXPECT_TRUE(Form->CheckBox1->hasFocus());
}

TEST_F(Tuning, StepButtonsSetTheIncrementAndMinusStopsAtZero)
{
    StartOnline();
    Click(Form->Button3);
    EXPECT_EQ(EditText(), "14.000001");
    EXPECT_EQ(Increment, 1);
    EXPECT_EQ(FrequencyRequests(*Board), 2);  // the change, then the explicit apply
    EXPECT_EQ(StatusText(), "f(SI570) = 14000001 Hz");
    Click(Form->Button2);
    Click(Form->Button1);
    EXPECT_EQ(EditText(), "15.001001");
    EXPECT_EQ(Increment, 1000000);

    SetEditText("0.5");
    Click(Form->Button4);
    EXPECT_EQ(EditText(), "0");
    SetEditText("0.0005");
    Click(Form->Button5);
    EXPECT_EQ(EditText(), "0");
    EXPECT_EQ(Increment, 1000);
    Board->Log.clear();
    Click(Form->Button6);
    EXPECT_EQ(Increment, 1);
    EXPECT_EQ(FrequencyRequests(*Board), 1);  // the text stayed "0": applied once
}

TEST_F(Tuning, StepsOnUnparsableTextShowTheConversionError)
{
    StartOnline();
    SetEditText("1.2.3");
    Click(Form->Button2);
    EXPECT_EQ(Increment, 1000);
    SetEditText("");
    Wheel(240);  // two steps: the first one raises and ends the event
    EXPECT_EQ(Errors, (std::vector<std::string>{"'1.2.3' is not a valid floating point value",
                                                "'' is not a valid floating point value"}));
    EXPECT_EQ(Frequency, 14000000);
    EXPECT_EQ(FrequencyRequests(*Board), 0);
}

TEST_F(Tuning, WheelStepsByThePopupIncrement)
{
    StartOnline();
    for (QAction* item : Form->PopupMenu1->actions())
        EXPECT_FALSE(item->isChecked()) << "no check mark at start";
    Form->N1MHz1->trigger();
    SetEditText("0.5");
    Wheel(120);
    EXPECT_EQ(EditText(), "1.5");
    Wheel(-120);
    Wheel(-120);
    EXPECT_EQ(EditText(), "-0.5");  // no floor
    EXPECT_EQ(StatusText(), "frequency not supported");

    SetEditText("14");
    Click(Form->Button2);  // "+k": the wheel now steps 1000 Hz, the mark stays
    EXPECT_TRUE(Form->N1MHz1->isChecked());
    for (int i = 0; i < 3; ++i)
        Wheel(40);  // a fine-grained wheel: three parts make one step
    EXPECT_EQ(EditText(), "14.002");

    Form->userinc1->trigger();
    UserInc = 5000;
    EXPECT_EQ(Increment, 12500);
    EXPECT_TRUE(Form->userinc1->isChecked());
    EXPECT_FALSE(Form->N1MHz1->isChecked());
    Form->userinc1->trigger();
    EXPECT_EQ(Increment, 5000);
}

TEST_F(Tuning, EachIncrementItemGivesTheWheelItsStep)
{
    StartOnline();
    const struct {
        QAction* TFormMain::*Item;
        const char* Caption;
        const char* AfterWheelUp;  // from 100 MHz
    } items[] = {
        {&TFormMain::N1Hz1, "± 1 Hz", "100.000001"},      {&TFormMain::N10Hz1, "± 10 Hz", "100.00001"},
        {&TFormMain::N100Hz1, "± 100 Hz", "100.0001"},    {&TFormMain::N1kHz1, "± 1 kHz", "100.001"},
        {&TFormMain::N10kHz1, "± 10 kHz", "100.01"},      {&TFormMain::N100kHz1, "± 100 kHz", "100.1"},
        {&TFormMain::N1MHz1, "± 1 MHz", "101"},           {&TFormMain::N10MHz1, "± 10 MHz", "110"},
        {&TFormMain::N100MHz1, "± 100 MHz", "200"},       {&TFormMain::userinc1, "± user inc.", "100.0125"},
    };
    ASSERT_EQ(Form->PopupMenu1->actions().size(), static_cast<qsizetype>(std::size(items)));
    for (size_t i = 0; i < std::size(items); ++i) {
        QAction* item = (*Form).*items[i].Item;
        SCOPED_TRACE(items[i].Caption);
        EXPECT_EQ(Form->PopupMenu1->actions()[static_cast<qsizetype>(i)], item) << "menu order";
        EXPECT_EQ(item->text().toStdString(), items[i].Caption);
        item->trigger();
        SetEditText("100");
        Wheel(120);
        EXPECT_EQ(EditText(), items[i].AfterWheelUp);
    }
}

TEST_F(Tuning, UnitChangeShowsTheSameFrequencyAndSendsItAgain)
{
    StartOnline();
    SetEditText("14.2");
    Form->Edit1_Exit();
    Board->Log.clear();
    QTest::keyClick(Form->ComboBox1, Qt::Key_Up);
    EXPECT_EQ(Form->ComboBox1->currentText(), "kHz");
    EXPECT_EQ(EditText(), "14200");
    EXPECT_EQ(Frequency, 14200000);
    EXPECT_EQ(FrequencyRequests(*Board), 2);
}

TEST_F(Tuning, MultiplierAndOffsetGiveTheSi570Frequency)
{
    StartOnline();
    Multiplier = 4;
    Form->Edit1_Exit();
    EXPECT_EQ(Si570Frequency, 56000000);
    EXPECT_EQ(StatusText(), "f(SI570) = 56000000 Hz");

    Multiplier = 1;
    Offset = 9;
    Form->ComboBox1->setCurrentIndex(1);
    SetEditText("5000");
    Form->Edit1_Exit();
    EXPECT_EQ(Si570Frequency, 14000000);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01);
}

TEST_F(Tuning, WithoutBoardOfflineTypingSendsNothingAndForcedOnlineRaises)
{
    WriteSettings();
    Start();  // no board: online detection goes on, the board counts as absent
    TypeKeys("5");
    EXPECT_EQ(Si570Frequency, 145000000);
    EXPECT_EQ(StatusText(), "");
    EXPECT_TRUE(Errors.empty());

    Form->CheckBox2->setChecked(false);
    SetEditText("1");
    TypeKeys("4");
    EXPECT_EQ(Errors, std::vector<std::string>{
                          "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !"});
    EXPECT_EQ(Si570Frequency, 14000000);
}
