// The dialog's fields: validation per keystroke and on leaving, the address
// echo, closing, the start-up frequency and speed grade on the board, the
// remember flag.
#include <QTest>

#include <cerrno>
#include <cstring>

#include "SetupFixture.h"

using SetupFields = SetupTest;
using RememberFlag = SetupTest;

namespace {

struct NumberField {
    const char* name;
    QLineEdit* TFormSetUp::*edit;
    double* setting;
};

const NumberField numberFields[] = {
    {"multiplier", &TFormSetUp::Edit2, &Multiplier}, {"offset", &TFormSetUp::Edit3, &Offset},
    {"startup", &TFormSetUp::Edit4, &StartupFreqMHz}, {"user increment", &TFormSetUp::Edit5, &UserInc},
    {"FSK shift", &TFormSetUp::Edit6, &FskShift},
};

}  // namespace

TEST_F(SetupFields, CreationFillsTheFieldsFromTheSharedSettings)
{
    Start();
    I2CAddress = 0x0A;
    Multiplier = 4;
    Offset = -0.5;
    StartupFreqMHz = 10.125;
    UserInc = 2500;
    FskShift = 170;
    SelProduct = "OTHER";
    OpenDialog();
    EXPECT_EQ(Dialog->windowTitle(), "Setup");
    EXPECT_EQ(Dialog->Edit1->text(), "0A");
    EXPECT_EQ(Dialog->Label2->text(), "hex  =  10 decimal");
    EXPECT_EQ(Dialog->Edit2->text(), "4");
    EXPECT_EQ(Dialog->Edit3->text(), "-0.5");
    EXPECT_EQ(Dialog->Edit4->text(), "10.125");
    EXPECT_EQ(Dialog->Edit5->text(), "2500");
    EXPECT_EQ(Dialog->Edit6->text(), "170");
    EXPECT_EQ(Dialog->Edit7->text(), "OTHER");
    EXPECT_FALSE(Dialog->CheckBox1->isChecked());
    EXPECT_FALSE(Dialog->Button2->isVisibleTo(Dialog.get()));
    EXPECT_EQ(Dialog->ComboPPM->currentText(), "+- 1 ppm");
    EXPECT_TRUE(Errors.empty());
    // Narrow: the device panel starts beyond the right edge.
    EXPECT_EQ(Dialog->width(), Dialog->Label9->geometry().right() + 1 + 10);
    EXPECT_GT(Dialog->Button5->x(), Dialog->width());
}

TEST_F(SetupFields, EachNumberFieldRejectsWhatIsNoNumberAndKeepsItsSetting)
{
    OpenDialog();
    for (const NumberField& f : numberFields) {
        SCOPED_TRACE(f.name);
        QLineEdit* edit = Dialog.get()->*f.edit;
        const double before = *f.setting;
        for (const char* bad : {"", "-", "1e", "1.2.3", "abc"}) {
            SCOPED_TRACE(bad);
            const int beeps = Beeps;
            edit->setText(bad);
            EXPECT_EQ(DialogStatus(), "Enter valid number!");
            EXPECT_TRUE(Dialog->InputError);
            EXPECT_EQ(Beeps, beeps + 1);
            EXPECT_EQ(*f.setting, before);
        }
        edit->setText("-2.5E3");
        EXPECT_EQ(*f.setting, -2500);
        EXPECT_FALSE(Dialog->InputError);
        EXPECT_EQ(DialogStatus(), "");
    }
}

TEST_F(SetupFields, ValidatesOnEveryKeystrokeAndDropsKeysOutsideTheClass)
{
    OpenDialog();
    Retype(Dialog->Edit2, "-");
    EXPECT_TRUE(Dialog->InputError);
    EXPECT_EQ(Beeps, 2);  // the emptied field, then the lone minus
    TypeInto(Dialog->Edit2, "3x");
    EXPECT_EQ(Dialog->Edit2->text(), "-3");
    EXPECT_EQ(Multiplier, -3);
    EXPECT_FALSE(Dialog->InputError);
    TypeInto(Dialog->Edit1, "g");
    EXPECT_EQ(Dialog->Edit1->text(), "55");
    TypeInto(Dialog->Edit7, "x!");
    EXPECT_EQ(SelProduct, "VELNOR-I2Cx!");
}

TEST_F(SetupFields, LeavingAFieldValidatesItAgain)
{
    OpenDialog();
    Dialog->Edit5->setText("");
    Dialog->Edit3->setText("1");  // another valid field clears the flag
    EXPECT_FALSE(Dialog->InputError);
    // A rejected field taking the focus back, or another window, is no leaving.
    for (const Qt::FocusReason reason : {Qt::OtherFocusReason, Qt::ActiveWindowFocusReason, Qt::PopupFocusReason})
        LeaveField(Dialog->Edit5, reason);
    EXPECT_FALSE(Dialog->InputError);
    EXPECT_EQ(Beeps, 1);
    for (const Qt::FocusReason reason : {Qt::TabFocusReason, Qt::MouseFocusReason}) {
        Dialog->Edit3->setText("1");
        LeaveField(Dialog->Edit5, reason);
        EXPECT_TRUE(Dialog->InputError);
        EXPECT_EQ(DialogStatus(), "Enter valid number!");
    }
    EXPECT_EQ(Beeps, 3);
}

TEST_F(SetupFields, TheAddressFieldTakesSevenBitsAndEchoesThemInDecimal)
{
    OpenDialog();
    const char* const range = "I2C address out of range: 00 to 7F hex";
    const char* const notHex = "Enter valid hexadecimal number!";
    const struct {
        const char* text;
        const char* refusal;  // nullptr: taken
        int address;          // afterwards: a refused text changes nothing
        const char* echo;
    } cases[] = {
        {"55", nullptr, 0x55, "hex  =  85 decimal"},  {"7F", nullptr, 0x7F, "hex  =  127 decimal"},
        {"80", range, 0x7F, "hex  =  127 decimal"},   {"1FF", range, 0x7F, "hex  =  127 decimal"},
        {"0", nullptr, 0, "hex  =  0 decimal"},       {"ffffffff", range, 0, "hex  =  0 decimal"},
        {"100000000", range, 0, "hex  =  0 decimal"}, {"3a", nullptr, 0x3A, "hex  =  58 decimal"},
        {"", notHex, 0x3A, "hex  =  58 decimal"},     {"-1", notHex, 0x3A, "hex  =  58 decimal"},
        {"0x12", notHex, 0x3A, "hex  =  58 decimal"}, {"007F", nullptr, 0x7F, "hex  =  127 decimal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Dialog->Edit1->setText(c.text);
        EXPECT_EQ(Dialog->InputError, c.refusal != nullptr);
        EXPECT_EQ(DialogStatus(), c.refusal ? c.refusal : "");
        EXPECT_EQ(I2CAddress, c.address);
        EXPECT_EQ(Dialog->Label2->text().toStdString(), c.echo);
    }

    // Typed key by key, the last text that fitted holds: no low byte of a longer one.
    Dialog->Edit1->clear();
    QTest::keyClicks(Dialog->Edit1, "123456789");
    EXPECT_EQ(I2CAddress, 0x12);
    EXPECT_EQ(DialogStatus(), range);
    EXPECT_TRUE(Dialog->InputError);
}

TEST_F(SetupFields, RefusesToCloseWhileTheLastValidationFailed)
{
    OpenOnline();
    Dialog->show();
    Dialog->Edit2->setText("");
    EXPECT_FALSE(Dialog->close());
    EXPECT_TRUE(Dialog->isVisible());
    EXPECT_EQ(FrequencyRequests(*Board), 0);

    Dialog->Edit2->setText("2");
    Dialog->Edit3->setText("0.001");
    EXPECT_TRUE(Dialog->close());
    EXPECT_FALSE(Dialog->isVisible());
    // Closing applies the displayed frequency with the new multiplier and offset.
    EXPECT_EQ(Si570Frequency, 14000000 * 2 + 1000);
    EXPECT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_EQ(StatusText(), "f(SI570) = 28001000 Hz");
}

TEST_F(SetupFields, TheStartupFrequencyGoesToTheBoardOncePerAcceptedKeystrokeWhileOnline)
{
    OpenOnline();
    Retype(Dialog->Edit4, "10.5");  // "", "1", "10", "10.", "10.5"
    EXPECT_EQ(StartupFreqMHz, 10.5);
    EXPECT_EQ(EepromWrites(*Board, EepromStartupWord), 4);
    float stored = 0;
    const uint32_t word = EepromWord(*Board, EepromStartupWord);
    std::memcpy(&stored, &word, sizeof stored);
    EXPECT_EQ(stored, 10.5f);

    // Beyond single precision there is nothing to store on the board.
    Board->Log.clear();
    Dialog->Edit4->setText("1e39");
    EXPECT_EQ(Errors, std::vector<std::string>{"Start-up frequency out of range: 1E39"});
    EXPECT_TRUE(Board->Log.empty());

    DeviceOnline = false;
    Retype(Dialog->Edit4, "56.32");
    EXPECT_EQ(StartupFreqMHz, 56.32);
    EXPECT_TRUE(Board->Log.empty());
}

TEST_F(SetupFields, TheSpeedGradeGoesToTheBoardOnlyWhileOnline)
{
    OpenOnline();
    for (const bool online : {true, false}) {
        DeviceOnline = online;
        Board->Log.clear();
        Dialog->ComboBox1->setCurrentIndex(online ? 2 : 1);
        emit Dialog->ComboBox1->activated(Dialog->ComboBox1->currentIndex());
        EXPECT_EQ(SpeedGrade, online ? 2 : 1);
        EXPECT_EQ(RequestCount(*Board, 0x24), online ? 1 : 0);
    }
    EXPECT_EQ(Board->SpeedGradeCode, 3);

    DeviceOnline = true;
    Board->FailRequest[0x24] = EPIPE;
    Dialog->ComboBox1->setCurrentIndex(0);
    emit Dialog->ComboBox1->activated(0);
    EXPECT_EQ(Errors.size(), 1u);
    EXPECT_EQ(SpeedGrade, 1);
    EXPECT_EQ(Dialog->ComboBox1->currentText(), "B");
}

TEST_F(RememberFlag, TellsTheBoardEachChangeOfTheBox)
{
    OpenOnline();
    Dialog->CheckBox1->click();
    Dialog->CheckBox1->click();
    EXPECT_EQ(RequestValues(*Board, 0x41), (std::vector<int>{0x55, 255}));
    EXPECT_TRUE(Errors.empty());
}

TEST_F(RememberFlag, WithoutABoardTheBoxGoesBackWithoutASecondRequest)
{
    OpenDialog();
    for (const bool checked : {false, true}) {
        SCOPED_TRACE(checked);
        Errors.clear();
        Dialog->CheckBoxGuard = true;
        Dialog->CheckBox1->setChecked(checked);
        Dialog->CheckBoxGuard = false;
        ResetLibusbCalls();
        Dialog->CheckBox1->click();
        EXPECT_EQ(Dialog->CheckBox1->isChecked(), checked);
        EXPECT_EQ(Errors, std::vector<std::string>{NotFoundText()});
        EXPECT_EQ(Calls().FindDevices, 1);  // one search for the board, none for the restoring change
    }
}

TEST_F(RememberFlag, AtStartWithMemoryOnTheBoardIsToldOrTheBoxEndsUnchecked)
{
    for (const bool board : {true, false}) {
        SCOPED_TRACE(board);
        Errors.clear();
        Fs.Clear();
        if (board)
            Board = PlugBoard();
        WriteSettings({{"MemoryOn=", "1"}});
        Start();
        if (board)
            Board->Log.clear();
        OpenDialog();
        EXPECT_EQ(Dialog->CheckBox1->isChecked(), board);
        if (board) {
            EXPECT_EQ(RequestValues(*Board, 0x41), std::vector<int>{0x55});
            EXPECT_TRUE(Errors.empty());
        } else {
            EXPECT_EQ(Errors, std::vector<std::string>{NotFoundText()});
        }
        // The box, not the value read at start, is what the settings file keeps.
        Form->close();
        const std::vector<std::string> lines = WrittenLines();
        EXPECT_NE(std::find(lines.begin(), lines.end(), board ? "MemoryOn=1" : "MemoryOn=0"), lines.end());
        Dialog.reset();
        Form.reset();
    }
}
