// Where the settings file is read and written for a program run from its
// build and for an installed one, and a close that cannot save.
#include <QProcess>

#include <fstream>

#include "AppFixture.h"

using SettingsPlace = AppTest;
using UnsavedClose = AppTest;

namespace {

void WriteFrequencyFile(const std::filesystem::path& dir, const char* frequency)
{
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "Quorvex.ini", std::ios::binary) << "Frequency=" << frequency << "\r\nUnit=2\r\n";
}

std::string Contents(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST_F(SettingsPlace, ReadAndWrittenWhereTheExecutableFolderAllows)
{
    enum Source { None, Working, Config };
    const struct {
        const char* Name;
        bool ExeWritable;
        bool InWorking;
        bool InConfig;
        Source ReadFrom;
    } cases[] = {
        {"build folder, file in the working directory", true, true, true, Working},
        {"build folder, file only in the config folder", true, false, true, None},
        {"installed, file in the working directory", false, true, true, Working},
        {"installed, file only in the config folder", false, false, true, Config},
        {"installed, first run", false, false, false, None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        Form.reset();
        Frequency = 0;
        std::filesystem::remove_all(WorkDir / "config");
        std::filesystem::remove(WorkDir / "Quorvex.ini");
        std::filesystem::remove(ExeDir / "Quorvex.ini");
        ExeDirWritable = c.ExeWritable;
        if (c.InWorking)
            WriteFrequencyFile(WorkDir, "1.4E+0007");
        if (c.InConfig)
            WriteFrequencyFile(ConfigDir, "7.0E+0006");

        Start();
        EXPECT_EQ(EditText(), c.ReadFrom == Working ? "14" : c.ReadFrom == Config ? "7" : "0");
        ASSERT_TRUE(Form->close());
        const char* writtenFrequency[] = {"Frequency= 0.0", "Frequency= 1.4", "Frequency= 7.0"};
        const auto written = (c.ExeWritable ? ExeDir : ConfigDir) / "Quorvex.ini";
        EXPECT_TRUE(Contents(written).starts_with(writtenFrequency[c.ReadFrom])) << Contents(written);
        if (c.ExeWritable)
            EXPECT_EQ(Contents(ConfigDir / "Quorvex.ini"), c.InConfig ? "Frequency=7.0E+0006\r\nUnit=2\r\n" : "");
        else
            EXPECT_FALSE(std::filesystem::exists(ExeDir / "Quorvex.ini"));
        EXPECT_TRUE(Errors.empty());
    }
}

TEST_F(UnsavedClose, OperatorChoosesBetweenKeepingTheWindowAndClosingWithoutSaving)
{
    // A folder where the file should be: the write fails for any user.
    std::filesystem::create_directory(ExeDir / "Quorvex.ini");
    const std::string expected = "Cannot write file " + (ExeDir / "Quorvex.ini").string() + ": Is a directory";
    Start().show();

    EXPECT_FALSE(Form->close()) << "keeping the window is the default";
    EXPECT_TRUE(Form->isVisible());
    EXPECT_EQ(CloseQuestions, std::vector<std::string>{expected});

    CloseAnswer = true;
    EXPECT_TRUE(Form->close());
    EXPECT_FALSE(Form->isVisible());
    EXPECT_EQ(CloseQuestions.size(), 2u);
    EXPECT_TRUE(Errors.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ExeDir), {}), 1) << "temporary file left";
}

TEST_F(UnsavedClose, TerminationSavesOnceAndNeverRefusesTheClose)
{
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "save succeeds" : "save fails");
        std::filesystem::remove_all(ExeDir / "Quorvex.ini");
        if (!writable)
            std::filesystem::create_directory(ExeDir / "Quorvex.ini");
        CloseQuestions.clear();
        Start().show();
        Form->FormTerminate();
        EXPECT_EQ(std::filesystem::is_regular_file(ExeDir / "Quorvex.ini"), writable);
        std::filesystem::remove_all(ExeDir / "Quorvex.ini");
        std::filesystem::create_directory(ExeDir / "Quorvex.ini");  // a second attempt would fail
        EXPECT_TRUE(Form->close());
        EXPECT_TRUE(CloseQuestions.empty());
        EXPECT_TRUE(Errors.empty());
    }
}

// As found by a user: a program whose settings cannot be written must still
// end on SIGTERM, as at logout.
TEST_F(UnsavedClose, DemoThatCannotSaveEndsOnSigterm)
{
    std::filesystem::copy_file(QUORVEX_DEMO_PATH, ExeDir / "quorvex-demo");
    std::filesystem::create_directory(ExeDir / "Quorvex.ini");
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    demo.setProcessEnvironment(env);
    demo.setWorkingDirectory(QString::fromStdString(WorkDir.string()));
    demo.start(QString::fromStdString((ExeDir / "quorvex-demo").string()), {"--instant"});
    ASSERT_TRUE(demo.waitForStarted(5000));
    EXPECT_FALSE(demo.waitForFinished(1500)) << demo.readAllStandardError().toStdString();
    demo.terminate();
    ASSERT_TRUE(demo.waitForFinished(5000)) << "still running after SIGTERM";
    EXPECT_EQ(demo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(demo.exitCode(), 0);
    EXPECT_NE(demo.readAllStandardError().toStdString().find("Cannot write file "), std::string::npos);
}

TEST_F(UnsavedClose, SessionSaveAsksNothingAndLeavesTheCloseAsking)
{
    Start().show();
    std::filesystem::create_directory(ExeDir / "Quorvex.ini");  // cannot be written
    Form->SaveWithoutAsking();
    EXPECT_TRUE(CloseQuestions.empty());
    EXPECT_TRUE(Errors.empty());
    // The logout was cancelled: closing later still offers to keep the window.
    EXPECT_FALSE(Form->close());
    EXPECT_EQ(CloseQuestions.size(), 1u);
    std::filesystem::remove_all(ExeDir / "Quorvex.ini");
    Form->SaveWithoutAsking();
    EXPECT_TRUE(std::filesystem::is_regular_file(ExeDir / "Quorvex.ini"));
}
