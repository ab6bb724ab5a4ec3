// The program as a whole: its windows, the about box, the default error
// display, and the demo program run as a separate process.
#include <QProcess>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <fstream>

#include "AppFixture.h"
#include "app/BuildStamp.h"
#include "app/Program.h"
#include "app/UAbout.h"
#include "support/Errors.h"

using Program = AppTest;

TEST_F(Program, WindowsAreCreatedOnceAndOnlyTheMainWindowIsShown)
{
    TProgramWindows windows;
    windows.Create();
    EXPECT_EQ(FormMain, windows.Main.get());
    EXPECT_EQ(FAbout, windows.About.get());
    EXPECT_TRUE(FormMain->isVisible());
    EXPECT_FALSE(FAbout->isVisible());

    const QString before = FAbout->Label2->text();
    FormMain->About1->trigger();
    EXPECT_TRUE(FAbout->isVisible());
    EXPECT_TRUE(FAbout->close());
    EXPECT_FALSE(FAbout->isVisible());
    FormMain->About1->trigger();
    EXPECT_TRUE(FAbout->isVisible());
    EXPECT_EQ(FAbout->Label2->text(), before);
}

TEST_F(Program, EveryWindowCarriesTheProgramIconAndTheMenuEntrysName)
{
    TProgramWindows windows;
    windows.Create();
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.quorvex.Quorvex");
    EXPECT_EQ(QCoreApplication::applicationName(), "Quorvex") << "the window class the menu entry names";
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowType() != Qt::Window && window->windowType() != Qt::Dialog)
            continue;
        SCOPED_TRACE(window->windowTitle().toStdString());
        const QIcon icon = window->windowIcon();
        EXPECT_EQ(icon.availableSizes(), (QList<QSize>{{48, 48}, {128, 128}, {256, 256}}));
        EXPECT_FALSE(icon.pixmap(48).isNull());
    }
}

TEST_F(Program, AboutBoxShowsTitleBuildStampAndCredits)
{
    TFAbout about;
    EXPECT_EQ(about.windowTitle(), "About Quorvex");
    EXPECT_EQ(about.Label1->text(), "SI570 / LCD controller software by VELNOR");
    EXPECT_TRUE(QRegularExpression("^\\d{4}\\.\\d{2}\\.\\d{2} \\d{2}:\\d{2}:\\d{2}$").match(BuildStamp).hasMatch())
        << BuildStamp;
    const QStringList lines = about.Label2->text().split('\n');
    ASSERT_EQ(lines.size(), 5);
    // The platform of this build, not a list of systems it was never built for.
    EXPECT_TRUE(lines[0].startsWith(QString("Build dated ") + BuildStamp + " for ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(" with Qt " QT_VERSION_STR)) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].contains("Linux " + QSysInfo::buildCpuArchitecture())) << lines[0].toStdString();
    EXPECT_FALSE(lines[0].contains("Windows"));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "Look at");
    EXPECT_TRUE(lines[3].startsWith(QString(23, ' ') + "http"));
    EXPECT_EQ(lines[4], "for updates!");
    const QStringList credits = about.Label3->text().split('\n');
    ASSERT_EQ(credits.size(), 5);
    EXPECT_EQ(credits[2], "Third party units used:");
    EXPECT_TRUE(credits[3].startsWith("- ") && credits[3].endsWith("for generic USB-driver"));
    EXPECT_TRUE(credits[4].startsWith("  from "));
    EXPECT_FALSE(about.Label4->text().isEmpty());
    // Each text stands clear of the next.
    EXPECT_LE(about.Label2->geometry().bottom(), about.Label3->y());
    EXPECT_LE(about.Label3->geometry().bottom(), about.Label4->y());
}

namespace {

class Throwing : public QObject {
protected:
    bool event(QEvent*) override { throw ConvertError("'x' is not a valid floating point value"); }
};

}  // namespace

TEST_F(Program, AnErrorEscapingAnEventHandlerReachesTheErrorDisplay)
{
    Throwing receiver;
    QEvent event(QEvent::User);
    EXPECT_FALSE(QApplication::sendEvent(&receiver, &event));
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_EQ(Errors[0], "'x' is not a valid floating point value");
}

namespace {

// Runs a copy of the demo program in dir, so it writes its settings there.
QProcess& StartDemo(QProcess& demo, const std::filesystem::path& dir, const QStringList& arguments = {})
{
    const auto binary = dir / "quorvex-demo";
    std::filesystem::copy_file(QUORVEX_DEMO_PATH, binary);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    demo.setProcessEnvironment(env);
    demo.setWorkingDirectory(QString::fromStdString(dir.string()));
    demo.start(QString::fromStdString(binary.string()), arguments);
    return demo;
}

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

TEST_F(Program, DemoStartsTunesItsVirtualBoardAndQuitsWritingTheSettings)
{
    WriteSettings({{"Frequency=", " 7.04000000000000E+0006"}});
    QProcess demo;
    StartDemo(demo, WorkDir);
    ASSERT_TRUE(demo.waitForStarted(5000));
    EXPECT_FALSE(demo.waitForFinished(1500)) << "ended by itself: " << demo.readAllStandardError().toStdString();
    demo.terminate();  // closes the main window as the operator would
    ASSERT_TRUE(demo.waitForFinished(5000));
    EXPECT_EQ(demo.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(demo.exitCode(), 0);
    std::ifstream written(WorkDir / "Quorvex.ini", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(written), {});
    EXPECT_TRUE(text.starts_with("Frequency= 7.04000000000000E+0006\r\n"));
    EXPECT_NE(text.find("OnlineDetect=0\r\n"), std::string::npos) << "the virtual board was found at start";
}

TEST_F(Program, DemoFirstStartTunesTheVirtualBoard)
{
    QProcess demo;
    StartDemo(demo, WorkDir);
    ASSERT_TRUE(demo.waitForStarted(5000));
    EXPECT_FALSE(demo.waitForFinished(1500)) << "ended by itself: " << demo.readAllStandardError().toStdString();
    demo.terminate();
    ASSERT_TRUE(demo.waitForFinished(5000));
    std::ifstream written(WorkDir / "Quorvex.ini", std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(written), {});
    EXPECT_TRUE(text.starts_with("Frequency= 1.40740000000000E+0007\r\nUnit=2\r\n")) << text;
}

// The board log as a user reads it: each request the virtual board received
// is in the file as it happened, even when the demo is killed at once.
TEST_F(Program, DemoBoardLogHoldsWhatTheBoardReceivedEvenWhenKilled)
{
    const auto log = WorkDir / "board.log";
    QProcess demo;
    StartDemo(demo, WorkDir, {"--instant", "--board-log", QString::fromStdString(log.string())});
    ASSERT_TRUE(demo.waitForStarted(5000));
    // The first start tunes the board to 14.074 MHz.
    TDividerSetting setting;
    ASSERT_TRUE(FindDividers(14.074, NominalXtalMHz, 0, setting));
    char bytes[16];
    const TRegisterBlock block = PackRegisters(setting);
    std::snprintf(bytes, sizeof bytes, "%02X%02X%02X%02X%02X%02X", block[0], block[1], block[2], block[3], block[4],
                  block[5]);
    const std::string tuned = "board=1 type=0x40 request=0x30 value=0x0755 index=0x0000 length=6 result=6 bytes=" +
                              std::string(bytes) + "\n";
    for (int waited = 0; waited < 100 && FileText(log).find(tuned) == std::string::npos; ++waited)
        QTest::qWait(50);
    ::kill(static_cast<pid_t>(demo.processId()), SIGKILL);
    ASSERT_TRUE(demo.waitForFinished(5000));

    const std::string text = FileText(log);
    EXPECT_NE(text.find(tuned), std::string::npos) << text;
    EXPECT_TRUE(text.ends_with("\n")) << "whole lines only";
    const QRegularExpression line(R"(^\d+ board=1 type=0x[0-9A-F]{2} request=0x[0-9A-F]{2} value=0x[0-9A-F]{4} )"
                                  R"(index=0x[0-9A-F]{4} length=\d+ result=-?\d+ bytes=([0-9A-F]{2})*$)");
    const QStringList lines = QString::fromStdString(text).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("# "));
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_TRUE(line.match(lines[i]).hasMatch()) << lines[i].toStdString();

    // A file it cannot make ends the demo at once, saying why.
    QProcess refused;
    StartDemo(refused, WorkDir / "bin", {"--board-log", "/nonexistent/board.log"});
    ASSERT_TRUE(refused.waitForFinished(10000));
    EXPECT_EQ(refused.exitCode(), 1);
    EXPECT_TRUE(refused.readAllStandardError().contains(
        "quorvex-demo: Cannot create the board log /nonexistent/board.log: No such file or directory\n"));
}

TEST_F(Program, MainWindowLayout)
{
    Start().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    const double scale = Form->logicalDpiY() / 144.0;
    // Edges are scaled, so neighbours that touch in the design touch on screen.
    EXPECT_EQ(Form->Button5->geometry(), QRect(QPoint(qRound(86 * scale), qRound(129 * scale)),
                                               QPoint(qRound(148 * scale) - 1, qRound(155 * scale) - 1)));
    EXPECT_EQ(Form->Button4->geometry().right() + 1, Form->Button5->x());
    EXPECT_GE(Form->CheckBox2->width(), Form->CheckBox2->sizeHint().width()) << "the caption fits";
    const std::vector<QWidget*> tabOrder{Form->ComboBox1, Form->Button1, Form->Button2, Form->Button3,
                                         Form->Button4,   Form->Button5, Form->Button6, Form->Edit1,
                                         Form->CheckBox1, Form->CheckBox2};
    for (size_t i = 0; i + 1 < tabOrder.size(); ++i) {
        QWidget* next = tabOrder[i]->nextInFocusChain();
        while (!(next->focusPolicy() & Qt::TabFocus))
            next = next->nextInFocusChain();
        EXPECT_EQ(next, tabOrder[i + 1]) << i;
    }
    // The client area ends 10 design pixels right of the online label, with two boards too.
    PlugBoard();
    PlugBoard(u"VELNOR-I2C", u"2");
    Form->Timer1Timer();
    EXPECT_NEAR(Form->centralWidget()->width(), Form->Label2->geometry().right() + 1 + qRound(10 * scale), 1);
}

TEST_F(Program, HelpAndVersionAnswerWithoutADisplay)
{
    const struct {
        const char* Binary;
        const char* Switch;
        const char* Says;
    } cases[] = {
        {QUORVEX_PATH, "--help", "--filter-board"},
        {QUORVEX_PATH, "--version", "quorvex " QUORVEX_VERSION "\n"},
        {QUORVEX_DEMO_PATH, "--help", "--instant"},
        {QUORVEX_DEMO_PATH, "--help", "--board-log <file>"},
        {QUORVEX_DEMO_PATH, "-v", "quorvex-demo " QUORVEX_VERSION "\n"},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Binary) + " " + c.Switch);
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(c.Binary, {c.Switch});
        ASSERT_TRUE(program.waitForFinished(10000));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
        EXPECT_TRUE(program.readAllStandardOutput().contains(c.Says));
    }
}
