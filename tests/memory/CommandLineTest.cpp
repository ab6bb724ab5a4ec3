// The switch that offers the filter-board editor, as the program reads it
// and as its help tells of it.
#include <QProcess>

#include <gtest/gtest.h>

#include "app/CommandLine.h"

namespace {

TEST(CommandLine, FilterBoardSwitchOffersTheSecondEditor)
{
    EXPECT_FALSE(ParseCommandLine({"quorvex"}).FilterBoard);
    EXPECT_TRUE(ParseCommandLine({"quorvex", "--filter-board"}).FilterBoard);
    const TCommandLine demo = ParseCommandLine({"quorvex-demo", "--filter-board", "--instant"}, true);
    EXPECT_TRUE(demo.FilterBoard && demo.Instant) << "the demo takes the switch too, and its own";
    EXPECT_EQ(ParseCommandLine({"quorvex-demo", "--board-log", "board.log"}, true).BoardLog, "board.log");
    EXPECT_EQ(ParseCommandLine({"quorvex-demo", "--board-log=b c.log", "--instant"}, true).BoardLog, "b c.log");
    EXPECT_TRUE(demo.BoardLog.isEmpty());
}

TEST(CommandLine, HelpNamesTheSwitch)
{
    QProcess program;
    program.start(QUORVEX_PATH, {"--help"});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(program.readAllStandardOutput());
    EXPECT_TRUE(help.contains("--filter-board")) << help.toStdString();
    EXPECT_TRUE(help.contains("band-pass filter table")) << help.toStdString();
}

}  // namespace
