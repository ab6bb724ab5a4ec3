// The WSPR beacon window against the virtual board, as the operator uses it,
// with the beacon's clocks driven and its timers' ticks run directly.
#include <gtest/gtest.h>

#include <QTest>

#include <filesystem>
#include <fstream>

#include "AppFixture.h"
#include "BeaconDriver.h"
#include "support/Feedback.h"
#include "wspr/ClockState.h"
#include "wspr/UWspr.h"

namespace {

class WsprWindowTest : public AppTest {
protected:
    std::unique_ptr<TFormWspr> Window;
    TBeaconDriver Driver;

    void TearDown() override
    {
        Window.reset();
        FormWspr = nullptr;
        AppTest::TearDown();
    }

    // The main window started on a board, named by its serial when it has one.
    TFormWspr& Open(const std::string& serial = "")
    {
        if (serial.empty()) {
            StartOnline();
        } else {
            Board = PlugBoard(u"VELNOR-I2C", std::u16string(serial.begin(), serial.end()));
            WriteSettings({{"DevSerial=", serial}, {"DevNo=", std::to_string(Fs.DeviceNumber(*Board))}});
            Start();
        }
        Window = std::make_unique<TFormWspr>();
        FormWspr = Window.get();
        Window->SteadyNowHook = [this] { return Driver.Now; };
        Window->UtcNowHook = [this] { return Driver.Utc(); };
        Board->Log.clear();
        return *Window;
    }

    void Fill(const char* call, const char* locator, const char* power = "37")
    {
        Window->EditCall->setText(call);
        Window->EditLocator->setText(locator);
        Window->ComboPower->setCurrentText(power);
    }

    void ClickStart() { QTest::mouseClick(Window->ButtonStart, Qt::LeftButton); }

    // The beacon's timer ticks, each at the time it asked for, until `done`.
    void RunUntil(const std::function<bool()>& done)
    {
        for (int i = 0; i < 10000 && Window->Beacon && !done(); ++i) {
            Driver.Now = std::max(Driver.Now, Window->Beacon->NextWake());
            Guarded([this] { Window->Timer2Timer(); });
        }
        Guarded([this] { Window->Timer1Timer(); });
    }

    std::vector<TRegisterBlock> Writes() const
    {
        std::vector<TRegisterBlock> writes;
        for (const TransferRecord& r : Board->Log)
            if (r.Request == 0x30 && r.Result == 6)
                writes.push_back({r.Bytes[0], r.Bytes[1], r.Bytes[2], r.Bytes[3], r.Bytes[4], r.Bytes[5]});
        return writes;
    }

    std::string Status() const { return Window->StatusBar1->text().toStdString(); }
    std::string Text(const QLabel* label) const { return label->text().toStdString(); }
};

}  // namespace

TEST_F(WsprWindowTest, TheSpecialMenuOpensTheBeaconWindowBesideTheMeptKeyer)
{
    Open();
    const QList<QAction*> items = Form->Special1->actions();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0]->text(), "&MEPT");
    EXPECT_EQ(items[1]->text(), "&WSPR beacon");
    EXPECT_EQ(items[2]->text(), "&Network control");
    items[1]->trigger();
    EXPECT_TRUE(Window->isVisible());
    EXPECT_EQ(Window->windowTitle(), "WSPR beacon");
    EXPECT_EQ(Text(Window->LabelClock), ClockStateText(ReadClockState()));
    EXPECT_EQ(Text(Window->LabelUtc).substr(0, 4), "UTC ");
    EXPECT_EQ(Window->ComboPower->count(), 19);
    EXPECT_EQ(Window->ComboBand->currentText(), "14.0956 (20 m)");
    EXPECT_EQ(Window->EditAudio->text(), "1500");
    EXPECT_EQ(Window->EditShare->text(), "20");
}

// What the beacon cannot use is said in the status bar with a beep; the
// button comes up again and the board hears nothing.
TEST_F(WsprWindowTest, FieldsTheBeaconCannotUseAreRefusedBeforeAnythingIsSent)
{
    struct Case {
        std::function<void(TFormWspr&)> Set;
        const char* Status;
    };
    const Case cases[] = {
        {[](TFormWspr& w) { w.EditCall->setText("G0ABCD"); },
         "Callsign \"G0ABCD\" cannot be sent: with the digit second, at most 5 characters;"},
        {[](TFormWspr& w) { w.EditLocator->setText("FN4"); }, "Locator \"FN4\" cannot be sent: 4 or 6 characters"},
        {[](TFormWspr& w) { w.ComboBand->setCurrentText("20m"); }, "Dial frequency \"20m\" is not a number of MHz."},
        {[](TFormWspr& w) { w.ComboBand->setCurrentText("1.8366 (160 m)"); },
         "The Si570 cannot make the WSPR tones at 1838097.803 to 1838102.197 Hz with one divider setting."},
        {[](TFormWspr& w) { w.EditAudio->setText("1700"); }, "Audio offset 1700 Hz cannot be used: WSPR transmits"},
        {[](TFormWspr& w) { w.EditShare->setText("0"); }, "Share of slots 0 % cannot be used: 1 to 100 %"},
        {[](TFormWspr& w) { w.EditShare->setText("2.5"); }, "Share of slots \"2.5\" is not a whole number."},
        {[](TFormWspr& w) { w.RadioEvery->setChecked(true); w.EditEvery->setText("x"); },
         "Every Nth slot \"x\" is not a number."},
        {[](TFormWspr& w) { w.EditOff->setText("1"); }, "Off frequency 1000000 Hz (at the Si570) cannot be made"},
    };
    Open();
    for (const Case& c : cases) {
        Fill("K1ABC", "FN42");
        Window->ComboBand->setCurrentText("14.0956 (20 m)");
        Window->EditAudio->setText("1500");
        Window->RadioShare->setChecked(true);
        Window->EditShare->setText("20");
        Window->EditOff->setText("200");
        c.Set(*Window);
        const int beeps = Beeps;
        ClickStart();
        EXPECT_TRUE(Status().starts_with(c.Status)) << Status();
        EXPECT_EQ(Beeps, beeps + 1) << c.Status;
        EXPECT_FALSE(Window->ButtonStart->isChecked()) << c.Status;
        EXPECT_FALSE(Window->Beacon) << c.Status;
    }
    EXPECT_TRUE(Board->Log.empty());
    EXPECT_EQ(Fs.OpenFiles(), 0);
}

// A whole transmission as the window shows it: the countdown, each symbol
// and tone, the progress, the picture; the board gets the tones with the
// main window's multiplier and offset, over the handle kept open.
TEST_F(WsprWindowTest, ATransmissionIsShownSymbolBySymbolAndSentWithMultiplierAndOffset)
{
    Open();
    Multiplier = 4;
    Offset = 0.001;  // MHz
    Fill("k1abc", "fn42", "37");
    Window->RadioEvery->setChecked(true);
    Window->EditEvery->setText("1");
    ClickStart();
    ASSERT_TRUE(Window->Beacon) << Status();
    EXPECT_EQ(Window->ButtonStart->text(), "Stop");
    EXPECT_EQ(Status(), "Beacon started: K1ABC FN42 37");
    EXPECT_EQ(Text(Window->LabelNext), "Next slot 09:20:01 in 1 s: \"K1ABC FN42 37\"");
    const int opens = Calls().Open;

    RunUntil([&] { return Window->Beacon->SymbolClock().LastSent() == 9; });
    EXPECT_EQ(Text(Window->LabelNext), "Transmitting \"K1ABC FN42 37\"");
    const int tone = Window->Beacon->Current().Symbols[9];
    const double hz = 14095600 + 1500 + (tone - 1.5) * 12000.0 / 8192;
    char expected[80];
    std::snprintf(expected, sizeof expected, "Symbol 10 of 162: tone %d, %.3f Hz", tone, hz);
    EXPECT_EQ(Text(Window->LabelSymbol), expected);
    EXPECT_EQ(Window->ProgressBar1->value(), 10);
    EXPECT_EQ(Window->Picture->LastSent(), 9);
    EXPECT_EQ(Window->Picture->Symbols(), Window->Beacon->Current().Symbols);
    const TRegisterBlock last = Writes().back();
    EXPECT_NEAR(RegisterOutputMHz(last, FxtalMHz) * 1e6, hz * 4 + 1000, 0.01);

    RunUntil([&] { return Window->Beacon->TransmissionsSent() == 1; });
    EXPECT_EQ(Calls().Open, opens);
    const auto writes = Writes();
    ASSERT_EQ(writes.size(), 164u) << "off, 162 tones, off";
    EXPECT_NEAR(RegisterOutputMHz(writes.back(), FxtalMHz) * 1e6, 200e6 * 4 + 1000, 1);
    EXPECT_EQ(Text(Window->LabelNext), "Next slot 09:22:01 in 10 s: \"K1ABC FN42 37\"");
    EXPECT_EQ(Text(Window->LabelSymbol), "1 transmissions sent");
    EXPECT_TRUE(Errors.empty());

    ClickStart();
    EXPECT_FALSE(Window->Beacon);
    EXPECT_EQ(Window->ButtonStart->text(), "Start");
    EXPECT_EQ(Status(), "Beacon stopped");
    EXPECT_EQ(Fs.OpenFiles(), 0) << "the board is let go";
    EXPECT_EQ(Text(Window->LabelNext), "Stopped");
}

TEST_F(WsprWindowTest, AFailingBoardIsReportedOncePerTransmission)
{
    Open();
    Fill("K1ABC", "FN42");
    Window->RadioEvery->setChecked(true);
    Window->EditEvery->setText("1");
    ClickStart();
    ASSERT_TRUE(Window->Beacon);
    Board->FailRequest[0x30] = EPIPE;
    for (int transmission = 1; transmission <= 2; ++transmission) {
        const int sent = Window->Beacon->TransmissionsSent();
        RunUntil([&] { return Window->Beacon->TransmissionsSent() > sent; });
        ASSERT_EQ(Errors.size(), static_cast<size_t>(transmission));
        EXPECT_TRUE(Errors.back().starts_with("Writing the Si570 registers failed at I2C address 0x55: "))
            << Errors.back();
        EXPECT_EQ(Status(), Errors.back());
    }
    EXPECT_TRUE(Window->ButtonStart->isChecked()) << "the beacon goes on";
}

// Keying and the beacon would take turns on the board: whichever runs first
// keeps it, and the other is refused with the reason.
TEST_F(WsprWindowTest, TheBeaconAndFskKeyingNeverDriveTheBoardTogether)
{
    Open();
    Fill("K1ABC", "FN42");
    Form->CheckBox1->setChecked(true);
    ASSERT_NE(PersistentHandle, nullptr);
    ClickStart();
    EXPECT_EQ(Status(), "FSK keying holds the board: untick \"Enable FSK via CW-Key\" first.");
    EXPECT_FALSE(Window->Beacon);
    Form->CheckBox1->setChecked(false);

    ClickStart();
    ASSERT_TRUE(Window->Beacon);
    Form->CheckBox1->setChecked(true);
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    EXPECT_EQ(Form->StatusBar1->text(), "FSK keying not started: the WSPR beacon is sending; stop it first.");
    EXPECT_EQ(PersistentHandle, nullptr);
    EXPECT_FALSE(Form->Timer2->isActive());
    ClickStart();
    Form->CheckBox1->setChecked(true);
    EXPECT_TRUE(Form->CheckBox1->isChecked()) << "keying starts once the beacon has stopped";
    Form->CheckBox1->setChecked(false);
}

// The board leaves in the middle of a transmission and comes back: one box,
// the transmission given up and said so, and the next slot sent whole.
TEST_F(WsprWindowTest, ABoardThatLeavesIsReportedOnceAndGetsTheNextSlotWhenBack)
{
    Open("7");
    Fill("K1ABC", "FN42");
    Window->RadioEvery->setChecked(true);
    Window->EditEvery->setText("1");
    ClickStart();
    ASSERT_TRUE(Window->Beacon);
    RunUntil([&] { return Window->Beacon->SymbolClock().LastSent() == 20; });
    Fs.Unplug(*Board);
    RunUntil([&] { return Window->Beacon->SymbolClock().LastSent() == 40; });
    const std::string notFound = "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC ! The beacon "
                                 "looks for the board every second and goes on in the first slot after it is back.";
    EXPECT_EQ(Errors, std::vector<std::string>{notFound});
    EXPECT_EQ(Status(), notFound);
    EXPECT_EQ(Text(Window->LabelNext), "Given up, the board is away: \"K1ABC FN42 37\" goes out in a later slot");
    EXPECT_EQ(Window->ProgressBar1->value(), 0);

    Fs.Plug(Board);
    const size_t written = Writes().size();
    RunUntil([&] { return Window->Beacon->TransmissionsGivenUp() == 1; });
    EXPECT_EQ(Status(), "Board back: the beacon goes on in its next slot.");
    EXPECT_EQ(Text(Window->LabelSymbol), "0 transmissions sent, 1 given up while the board was away");
    EXPECT_EQ(Writes().size(), written + 2) << "the off frequency when it was found and at the slot's end, no tone";

    RunUntil([&] { return Window->Beacon->TransmissionsSent() == 1; });
    EXPECT_EQ(Writes().size(), written + 2 + 162 + 1) << "the next slot whole, then the off frequency";
    EXPECT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Text(Window->LabelSymbol), "1 transmissions sent, 1 given up while the board was away");
}

// Online detection would walk the buses every second in the middle of the
// symbols: it waits while the beacon runs.
TEST_F(WsprWindowTest, OnlineDetectionWaitsWhileTheBeaconRuns)
{
    Open();
    Form->CheckBox2->setChecked(true);
    ASSERT_TRUE(Form->Timer1->isActive());
    Fill("K1ABC", "FN42");
    ClickStart();
    EXPECT_FALSE(Form->Timer1->isActive());
    ClickStart();
    EXPECT_TRUE(Form->Timer1->isActive());
}

TEST_F(WsprWindowTest, ClosingTheWindowStopsTheBeaconAndPutsTheMainFrequencyBack)
{
    Open();
    Fill("K1ABC", "FN42");
    ClickStart();
    ASSERT_TRUE(Window->Beacon);
    Window->close();
    EXPECT_FALSE(Window->Beacon);
    EXPECT_FALSE(Window->ButtonStart->isChecked());
    EXPECT_NEAR(RegisterOutputMHz(Writes().back(), FxtalMHz) * 1e6, 14e6, 0.01) << "the main window's frequency";
}

TEST_F(WsprWindowTest, NoBoardMeansNoBeacon)
{
    Open();
    Fs.Unplug(*Board);
    Fill("K1ABC", "FN42");
    ClickStart();
    EXPECT_TRUE(Status().starts_with("Could not find USB device")) << Status();
    EXPECT_FALSE(Window->ButtonStart->isChecked());
}

// What the operator left in the fields comes back at the next start: the
// settings file gets them after every older line.
TEST_F(WsprWindowTest, TheFieldsAreKeptInTheSettingsFileForTheNextStart)
{
    Open();
    Fill("PJ4/K1ABC", "FK52UD", "23");
    Window->ComboBand->setCurrentText("10.1402");  // typed in, not from the list
    Window->EditAudio->setText("1450");
    Window->RadioEvery->setChecked(true);
    Window->EditEvery->setText("3");
    Window->EditShare->setText("35");
    Window->EditOff->setText("0");
    ASSERT_TRUE(Form->close());
    const std::vector<std::string> lines = WrittenLines();
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines[16].substr(0, 10), "MEPT_Text=") << "the older lines first, as before";
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 17, lines.begin() + 26),
              (std::vector<std::string>{"WSPR_Call=PJ4/K1ABC", "WSPR_Locator=FK52UD", "WSPR_Power=23",
                                        "WSPR_Dial=10.1402", "WSPR_Audio=1450", "WSPR_EveryNth=1", "WSPR_Share=35",
                                        "WSPR_Every=3", "WSPR_Off=0"}));

    Window.reset();
    FormWspr = nullptr;
    ResetToNothing();
    std::filesystem::copy_file(ExeDir / "Quorvex.ini", WorkDir / "Quorvex.ini",
                               std::filesystem::copy_options::overwrite_existing);
    Start();
    Window = std::make_unique<TFormWspr>();
    EXPECT_EQ(Window->EditCall->text(), "PJ4/K1ABC");
    EXPECT_EQ(Window->EditLocator->text(), "FK52UD");
    EXPECT_EQ(Window->ComboPower->currentText(), "23");
    EXPECT_EQ(Window->ComboBand->currentText(), "10.1402");
    EXPECT_EQ(Window->EditAudio->text(), "1450");
    EXPECT_TRUE(Window->RadioEvery->isChecked());
    EXPECT_EQ(Window->EditEvery->text(), "3");
    EXPECT_EQ(Window->EditShare->text(), "35");
    EXPECT_EQ(Window->EditOff->text(), "0");
}

// Files of older and newer programs, and ones edited by hand: the window opens
// with what they hold, the keys of old are read as before, and a line no
// program knows is passed over.
TEST_F(WsprWindowTest, SettingsFilesOfEveryAgeOpenTheWindowWithWhatTheyHold)
{
    struct Case {
        const char* What;
        const char* After;  // lines after the seventeen older ones
        const char* Fields;  // call|locator|power|dial|audio|share or every|share|every|off
    };
    const char* all = "WSPR_Call=K1ABC\r\nWSPR_Locator=FN42\r\nWSPR_Power=10\r\nWSPR_Dial=3.5686 (80 m)\r\n"
                      "WSPR_Audio=1550\r\nWSPR_EveryNth=1\r\nWSPR_Share=40\r\nWSPR_Every=2\r\nWSPR_Off=150\r\n";
    const Case cases[] = {
        {"an older program's file", "", "||37|14.0956 (20 m)|1500|share|20|5|200"},
        {"every key", all, "K1ABC|FN42|10|3.5686 (80 m)|1550|every|40|2|150"},
        {"a newer program's lines among them",
         "Beacon_Mode=FST4W\r\nWSPR_Call=K1ABC\r\nWSPR_Hops=3\r\nWSPR_Locator=FN42\r\nWSPR_Power=10\r\n"
         "WSPR_Dial=3.5686 (80 m)\r\nWSPR_Audio=1550\r\nWSPR_EveryNth=1\r\nWSPR_Share=40\r\nWSPR_Every=2\r\n"
         "WSPR_Off=150\r\nWSPR_Later=1\r\n",
         "K1ABC|FN42|10|3.5686 (80 m)|1550|every|40|2|150"},
        // The scan runs forward: a key before the one read ahead of it is not seen, nor is any after it.
        {"keys out of order", "WSPR_Locator=FN42\r\nWSPR_Call=K1ABC\r\nWSPR_Power=10\r\n",
         "K1ABC||37|14.0956 (20 m)|1500|share|20|5|200"},
        // What the fields cannot use is shown as it was typed, for the start to refuse with its reason.
        {"values typed by hand",
         "WSPR_Call=k1abc\r\nWSPR_Locator=\r\nWSPR_Power=38\r\nWSPR_Dial=\r\nWSPR_Audio=abc\r\n"
         "WSPR_EveryNth=2\r\nWSPR_Share=-1\r\nWSPR_Every=\r\nWSPR_Off= 7 \r\n",
         "k1abc||37||abc|share|-1|| 7 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        Window.reset();
        ResetToNothing();
        Board = PlugBoard();
        WriteSettings({{"MEPT_Text=", "S3AB"}});
        std::ofstream(WorkDir / "Quorvex.ini", std::ios::binary | std::ios::app) << c.After;
        Start();
        Window = std::make_unique<TFormWspr>();
        const TFormWspr& w = *Window;
        const std::string fields =
            (w.EditCall->text() + "|" + w.EditLocator->text() + "|" + w.ComboPower->currentText() + "|" +
             w.ComboBand->currentText() + "|" + w.EditAudio->text() + "|" +
             (w.RadioEvery->isChecked() ? "every" : "share") + "|" + w.EditShare->text() + "|" +
             w.EditEvery->text() + "|" + w.EditOff->text())
                .toStdString();
        EXPECT_EQ(fields, c.Fields);
        EXPECT_EQ(MEPT_Text, "S3AB") << "the older keys read as before";
        EXPECT_EQ(Frequency, 14000000);
        EXPECT_EQ(WsprFields.Power, w.ComboPower->currentText().toStdString()) << "what is kept is what is shown";
    }
}
