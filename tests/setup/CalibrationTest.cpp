// The crystal calibration against a board whose crystal is not the nominal
// one, its warning path and failures, the ppm shifts and the step label.
#include <QApplication>

#include <cerrno>
#include <cmath>

#include "SetupFixture.h"
#include "setup/CalibrationMath.h"
#include "support/NumberText.h"
#include "usb/Si570.h"

using Calibration = SetupTest;
using PpmShift = SetupTest;

namespace {

TCalibrationWord StoredXtalWord(const VirtualBoard& board)
{
    TCalibrationWord word;
    std::copy_n(board.Eeprom.begin() + EepromXtalWord, word.size(), word.begin());
    return word;
}

}  // namespace

TEST(CalibrationWindow, OnlyCrystalsStrictlyInside110To120MHzPass)
{
    const struct {
        double mhz;
        bool inside;
    } cases[] = {
        {110, false},        {120, false},    {110.000001, true}, {119.999999, true},
        {114.285, true},     {109.9, false},  {643, false},       {-114.285, false},
        {std::nan(""), false}, {INFINITY, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CrystalInWindow(c.mhz), c.inside) << c.mhz;
}

TEST(CalibrationWindow, StepIndexesOutsideTheTableRaise)
{
    EXPECT_EQ(PpmFactor(PpmDownFactors, 4), 1.001);
    EXPECT_EQ(PpmFactor(PpmUpFactors, 0), 0.9999999);
    EXPECT_THROW(PpmFactor(PpmUpFactors, 5), RangeError);
    EXPECT_THROW(PpmFactor(PpmDownFactors, -1), RangeError);
    EXPECT_EQ(NominalStartupText(56.32), "56.32 MHz");
    EXPECT_EQ(NominalStartupText(9.99998), "10.00 MHz");
    EXPECT_EQ(NominalStartupText(1.5), " 1.50 MHz");
}

TEST_F(Calibration, FindsTheTrueCrystalStoresItAndMovesTheOutputOntoTheDisplayedFrequency)
{
    OpenOnline();
    const double trueXtal = Board->Settings().TrueXtalMHz;
    ASSERT_NE(trueXtal, NominalXtalMHz);
    Form->Edit1_Exit();
    EXPECT_GT(std::fabs(Board->OutputMHz() * 1e6 - 14e6), 20) << "uncalibrated, the board is off";
    Dialog->Label12->setText("old warning");
    Dialog->Label14->setText("old warning");

    Dialog->Button1->click();
    EXPECT_TRUE(Errors.empty());
    EXPECT_NEAR(FxtalMHz, trueXtal, 1e-6);
    EXPECT_EQ(DialogStatus(), "crystal frequency = " + FormatGeneral(FxtalMHz) + " MHz");
    EXPECT_EQ(StoredXtalWord(*Board), XtalMHzToWord(FxtalMHz));
    EXPECT_EQ(EepromWord(*Board, EepromXtalWord), static_cast<uint32_t>(std::llround(FxtalMHz * 16777216)));
    EXPECT_EQ(Board->Eeprom[EepromCalibrationStatus], 0);
    EXPECT_EQ(Dialog->Label12->text(), "");
    EXPECT_EQ(Dialog->Label14->text(), "");
    EXPECT_NEAR(Board->OutputMHz() * 1e6, 14e6, 1);
    EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");
}

TEST_F(Calibration, EndsWithTheRememberBoxAsItWasAndTheBoardToldSo)
{
    const struct {
        bool checked;
        std::vector<int> told;  // the remember requests, in order
    } cases[] = {
        {false, {255, 255}},
        {true, {255, 255, 0x55, 0x55}},
    };
    OpenOnline();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.checked);
        Dialog->CheckBoxGuard = true;
        Dialog->CheckBox1->setChecked(c.checked);
        Dialog->CheckBoxGuard = false;
        Board->Log.clear();
        Dialog->Button1->click();
        EXPECT_EQ(Dialog->CheckBox1->isChecked(), c.checked);
        EXPECT_EQ(RequestValues(*Board, 0x41), c.told);
        EXPECT_EQ(Board->Eeprom[6], c.checked ? 0x55 : 255);
    }
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Calibration, AStartupFrequencyThatDoesNotFitWarnsAndKeepsTheCrystal)
{
    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    config.StartupMHz = 10;  // the chip starts at 10 MHz, not at the 56.32 entered
    Board = std::make_shared<VirtualBoard>(config);
    SelUsbPortId = static_cast<uint8_t>(Fs.Plug(Board));
    Start();
    OpenDialog();
    FxtalMHz = 114.29;
    Board->Log.clear();
    const auto eepromBefore = Board->Eeprom;

    Dialog->Button1->click();
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(DialogStatus(), "Warning: found crystal not in 110...120MHz!");
    EXPECT_EQ(Dialog->Label12->text(), "Wrong factory startup frequency selected!");
    EXPECT_EQ(Dialog->Label14->text(), "Startup frequency must be near 10.00 MHz");
    EXPECT_EQ(FxtalMHz, 114.29);
    EXPECT_EQ(Board->Eeprom, eepromBefore);
    EXPECT_EQ(FrequencyRequests(*Board), 1) << "only the return to the start-up registers";
}

// Refused or failed, a calibration leaves the remember setting as it was and
// the board on the shown frequency (its output, from its registers and true crystal).
TEST_F(Calibration, AWarningOrAFailurePutsTheRememberSettingAndTheFrequencyBack)
{
    const struct {
        const char* Name;
        double StartupMHz;  // what the chip really starts at
        int FailRequest;    // 0: none
        const char* Status;
        size_t Boxes;
    } cases[] = {
        {"out of range", 10, 0, "Warning: found crystal not in 110...120MHz!", 0},
        {"read-back stalls", 56.32, 0x3F, "", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Dialog.reset();
        FormSetUp = nullptr;
        ResetToNothing();
        VirtualBoard::Config config;
        config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
        config.StartupMHz = c.StartupMHz;
        Board = std::make_shared<VirtualBoard>(config);
        Board->Eeprom[6] = 0x55;  // the board remembers its last frequency
        SelUsbPortId = static_cast<uint8_t>(Fs.Plug(Board));
        WriteSettings({{"MemoryOn=", "1"}, {"DevNo=", std::to_string(SelUsbPortId)}});
        Start();
        OpenDialog();
        ASSERT_TRUE(Dialog->CheckBox1->isChecked());
        if (c.FailRequest)
            Board->FailRequest[static_cast<uint8_t>(c.FailRequest)] = EPIPE;
        Board->Log.clear();

        Dialog->Button1->click();
        EXPECT_EQ(DialogStatus(), c.Status);
        EXPECT_EQ(Errors.size(), c.Boxes);
        EXPECT_TRUE(Dialog->CheckBox1->isChecked());
        EXPECT_EQ(Board->Eeprom[6], 0x55) << "the board remembers again";
        EXPECT_EQ(RequestValues(*Board, 0x41), (std::vector<int>{255, 255, 0x55, 0x55}));
        EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01) << "back on the shown frequency";
        EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");
    }
}

TEST_F(Calibration, WithoutABoardNothingChanges)
{
    Start();
    OpenDialog();
    FxtalMHz = 114.29;
    Dialog->Button1->click();
    EXPECT_EQ(Errors, std::vector<std::string>{NotFoundText()});
    EXPECT_EQ(FxtalMHz, 114.29);
    EXPECT_EQ(DialogStatus(), "");
}

TEST_F(Calibration, AFailedTransferEndsItWithoutReportingSuccess)
{
    const struct {
        const char* name;
        uint8_t request;
        bool eepromUntouched;
    } cases[] = {
        {"register read", 0x3F, true},
        {"crystal word write", 0x10, false},
    };
    OpenOnline();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Errors.clear();
        FxtalMHz = 114.29;
        Board->Eeprom.fill(0);
        Board->FailRequest[c.request] = EPIPE;
        Dialog->Button1->click();
        Board->FailRequest.clear();
        EXPECT_EQ(Errors.size(), 1u);
        EXPECT_EQ(FxtalMHz, 114.29);
        EXPECT_EQ(DialogStatus(), "");
        EXPECT_FALSE(Dialog->CheckBox1->isChecked());
        if (c.eepromUntouched) {
            EXPECT_EQ(EepromWord(*Board, EepromXtalWord), 0u);
        }
    }
}

TEST_F(PpmShift, TheStepLabelShowsTheChosenStepInHzAtTheDisplayedFrequency)
{
    const struct {
        double frequency;
        int step;
        const char* label;
    } cases[] = {
        {14e6, 0, "= +-1.4 Hz"},   {14e6, 1, "= +-14 Hz"},     {14e6, 2, "= +-140 Hz"},
        {14e6, 3, "= +-1400 Hz"},  {14e6, 4, "= +-14000 Hz"},  {0, 1, "= +-0 Hz"},
        {7040100, 0, "= +-0.7 Hz"},
    };
    OpenDialog();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        Frequency = c.frequency;
        Dialog->ComboPPM->setCurrentIndex(c.step);
        emit Dialog->ComboPPM->activated(c.step);
        EXPECT_EQ(Dialog->LabelHz->text().toStdString(), c.label);
    }
}

TEST_F(PpmShift, ActivatingTheDialogUpdatesTheStepLabel)
{
    OpenDialog();
    Frequency = 14e6;
    Dialog->show();
    QApplication::setActiveWindow(Dialog.get());
    EXPECT_EQ(Dialog->LabelHz->text(), "= +-14 Hz");
}

TEST_F(PpmShift, DownThenUpMovesTheCrystalByTheTableFactorsAndTheOutputWithIt)
{
    OpenOnline();
    Dialog->ComboPPM->setCurrentIndex(4);
    const double start = FxtalMHz;

    Dialog->Button3->click();
    EXPECT_EQ(FxtalMHz, start * 1.001);
    EXPECT_EQ(DialogStatus(), "Calibration and output frequency shifted successfully!  ");
    EXPECT_EQ(StoredXtalWord(*Board), XtalMHzToWord(FxtalMHz));
    // A larger crystal value lowers the real output by about the step.
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14e6), 1);
    EXPECT_LT(Board->OutputMHz(), 14 * (1 - 0.0009));

    Dialog->Button4->click();
    EXPECT_EQ(FxtalMHz, start * 1.001 * 0.999);
    EXPECT_EQ(StoredXtalWord(*Board), XtalMHzToWord(FxtalMHz));
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(Dialog->Button3->toolTip(), "Note: delay of 2 seconds due to AVR reset if set by value!");
    EXPECT_EQ(Dialog->Button4->toolTip(), Dialog->Button3->toolTip());
}

TEST_F(PpmShift, AFailedWordWriteLeavesTheCrystalAndReportsNoSuccess)
{
    OpenOnline();
    Board->FailRequest[0x10] = EPIPE;
    Dialog->Button4->click();
    EXPECT_EQ(Errors.size(), 1u);
    EXPECT_EQ(FxtalMHz, NominalXtalMHz);
    EXPECT_EQ(DialogStatus(), "");
    // The board goes back to the shown frequency with the crystal still in use.
    EXPECT_EQ(FrequencyRequests(*Board), 1);
    EXPECT_NEAR(Board->OutputMHz() * 1e6, OutputFor(*Board, 14000000), 0.01);
    EXPECT_EQ(StatusText(), "f(SI570) = 14000000 Hz");
}

TEST_F(PpmShift, WithoutABoardTheShiftIsKeptAndSavedButSaidNotStored)
{
    WriteSettings();
    Start();
    OpenDialog();
    ASSERT_FALSE(DeviceOnline);
    Dialog->Button3->click();
    EXPECT_EQ(FxtalMHz, NominalXtalMHz * 1.000001);
    EXPECT_EQ(DialogStatus(), "Board not found: the shift is used and saved at exit, but not stored on the board.");
    EXPECT_TRUE(Errors.empty());
    Form->close();
    const std::vector<std::string> lines = WrittenLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "fcryst=" + FormatSettingsFloat(FxtalMHz)), lines.end());
}
