// The keyer window: its controls at creation, the menu that shows it, the
// code field, loading a code from a file, and leaving the window.
#include <QTest>

#include <fstream>

#include "MeptFixture.h"
#include "app/Program.h"
#include "support/FileDialogs.h"

using KeyerWindow = MeptTest;

TEST_F(KeyerWindow, CreatedWithItsControlsAndTheStoredCode)
{
    MEPT_Text = "0123";
    TF_MEPT& k = OpenKeyer();
    EXPECT_EQ(k.windowTitle(), "F_MEPT");
    EXPECT_EQ(k.Edit3->text(), "200");
    EXPECT_TRUE(k.SpeedTransmit->isCheckable());
    EXPECT_FALSE(k.SpeedTransmit->isChecked());
    EXPECT_FALSE(k.Timer1->isActive());
    EXPECT_EQ(k.TrackBar1->value(), 3);
    EXPECT_EQ(k.Drawing.GraphSize, 3);
    EXPECT_EQ(k.EditCode->text(), "0123");
    EXPECT_EQ(k.Image->height(), 57);
    EXPECT_EQ(k.centralWidget()->width(), k.EditCode->geometry().right() + 1 + 5);
    EXPECT_EQ(k.centralWidget()->height(), k.Image->geometry().bottom() + 1 + 10);
    EXPECT_FALSE(k.isVisible());
}

TEST_F(KeyerWindow, TheBuiltInCodeDrawsLetteringThenASweep)
{
    ASSERT_EQ(MEPT_Text.size(), 117u);
    TF_MEPT& k = OpenKeyer();
    EXPECT_EQ(k.EditCode->text().toStdString(), MEPT_Text);
    // 70 symbol times of lettering, the sweep up in double steps and down in
    // single ones, then the pause.
    EXPECT_EQ(k.Drawing.GraphX, 3 * (70 + 16 * 2 + 16 + 11));
    EXPECT_EQ(k.Drawing.DurationFactor, 1);
}

TEST_F(KeyerWindow, TheMenuShowsItSixthOfTheWindows)
{
    TProgramWindows windows;
    windows.Create();
    EXPECT_EQ(F_MEPT, windows.MEPT.get());
    EXPECT_TRUE(FormMain->MEPT1->isEnabled());
    EXPECT_FALSE(F_MEPT->isVisible());
    FormMain->MEPT1->trigger();
    EXPECT_TRUE(F_MEPT->isVisible());
    EXPECT_TRUE(F_MEPT->close());
    EXPECT_FALSE(F_MEPT->isVisible());
    EXPECT_TRUE(FormMain->isVisible());
}

TEST_F(KeyerWindow, EditingTheCodeRedrawsAndStoresIt)
{
    OpenKeyer();
    Keyer->EditCode->clear();
    QTest::keyClicks(Keyer->EditCode, "s18");
    EXPECT_EQ(MEPT_Text, "s18");
    EXPECT_EQ(Keyer->Drawing.GraphX, 6);
    // Leaving the field draws the preview again.
    Keyer->Drawing.GraphX = 99;
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(Keyer->EditCode, &leave);
    EXPECT_EQ(Keyer->Drawing.GraphX, 6);
}

TEST_F(KeyerWindow, ExitStopsPutsTheDisplayedFrequencyBackAndHides)
{
    OpenOnline();
    Keyer->show();
    Transmit("F", 1);
    Board->Log.clear();
    Keyer->Exit1->trigger();
    EXPECT_FALSE(Keyer->isVisible());
    EXPECT_FALSE(Keyer->Timer1->isActive());
    EXPECT_FALSE(Keyer->SpeedTransmit->isChecked()) << "Transmit shows that nothing is sent";
    const std::vector<double> sent = SentFrequencies();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NEAR(sent[0], 200000000, 0.05);
    EXPECT_NEAR(sent[1], 10000000, 0.05);
    EXPECT_EQ(StatusText(), "f(SI570) = 10000000 Hz");
}

TEST_F(KeyerWindow, ClosingStopsAndPutsTheDisplayedFrequencyBack)
{
    OpenOnline();
    Keyer->show();
    Transmit("F", 1);
    Board->Log.clear();
    EXPECT_TRUE(Keyer->close());
    EXPECT_FALSE(Keyer->Timer1->isActive());
    EXPECT_FALSE(Keyer->SpeedTransmit->isChecked());
    ASSERT_EQ(SentFrequencies().size(), 2u);
    EXPECT_NEAR(SentFrequencies()[1], 10000000, 0.05);
    EXPECT_EQ(Fs.OpenFiles(), 0) << "the transmission's handle is closed with it";
    // Shown again, Transmit is up; pressing it starts a new transmission.
    Keyer->show();
    Board->Log.clear();
    ClickTransmit();
    EXPECT_TRUE(Keyer->SpeedTransmit->isChecked());
    EXPECT_TRUE(Keyer->Timer1->isActive());
    EXPECT_TRUE(SentFrequencies().empty()) << "the first symbol waits for the first tick";
}

class KeyerFile : public MeptTest {
protected:
    void TearDown() override
    {
        FileDialogHook = nullptr;
        MeptTest::TearDown();
    }

    // The open dialog answered with this file ("" cancels).
    void Answer(const std::string& path)
    {
        FileDialogHook = [this, path](const QFileDialog& dialog) {
            DialogMode = dialog.fileMode();
            return path;
        };
    }

    void Write(const std::string& name, const std::string& text)
    {
        std::ofstream(WorkDir / name, std::ios::binary) << text;
    }

    QFileDialog::FileMode DialogMode = QFileDialog::AnyFile;
};

TEST_F(KeyerFile, OpenTakesTheFirstLineOfAnyTextFile)
{
    struct Case {
        const char* Text;
        const char* Code;
    } const cases[] = {
        {"8F\r\nsecond line\r\n", "8F"}, {"S3A\nX", "S3A"}, {"0123", "0123"}, {"", ""}, {"\r\n8", ""},
    };
    OpenKeyer();
    for (const Case& c : cases) {
        Write("code.txt", c.Text);
        Answer((WorkDir / "code.txt").string());
        Keyer->Open1->trigger();
        EXPECT_EQ(Keyer->EditCode->text(), c.Code) << c.Text;
        EXPECT_EQ(MEPT_Text, c.Code);
    }
    EXPECT_EQ(DialogMode, QFileDialog::ExistingFile);
    EXPECT_TRUE(Errors.empty());
}

TEST_F(KeyerFile, CancelOrAFileThatCannotBeReadLeavesTheCode)
{
    OpenKeyer();
    SetCode("8F");
    Answer("");
    Keyer->Open1->trigger();
    EXPECT_EQ(Keyer->EditCode->text(), "8F");
    EXPECT_TRUE(Errors.empty());

    const std::string missing = (WorkDir / "missing.txt").string();
    Answer(missing);
    Keyer->Open1->trigger();
    EXPECT_EQ(Errors, std::vector<std::string>{"Cannot open file " + missing + ": No such file or directory"});
    Answer(WorkDir.string());
    Keyer->Open1->trigger();
    ASSERT_EQ(Errors.size(), 2u);
    EXPECT_EQ(Errors[1], "Cannot read file " + WorkDir.string() + ": Is a directory");
    EXPECT_EQ(Keyer->EditCode->text(), "8F");
    EXPECT_EQ(MEPT_Text, "8F");
}
