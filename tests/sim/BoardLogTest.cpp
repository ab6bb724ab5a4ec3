// The board log of the demo: every request the virtual boards received, a
// line each, with its time, board, fields, result and bytes, written as it
// happens; and what it does when its file cannot be made or written.
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <regex>
#include <tuple>

#include "UsbFixture.h"
#include "sim/BoardLog.h"

namespace {

using namespace std::chrono_literals;

class BoardLogTest : public UsbTest {
protected:
    void SetUp() override
    {
        UsbTest::SetUp();
        Path = std::filesystem::temp_directory_path() / ("quorvex-board-log-" + std::to_string(::getpid()));
    }
    void TearDown() override
    {
        std::filesystem::remove(Path);
        UsbTest::TearDown();
    }

    std::vector<std::string> Lines() const
    {
        std::ifstream file(Path, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(file, line);)
            lines.push_back(line);
        return lines;
    }

    std::filesystem::path Path;
};

}  // namespace

TEST(BoardLogLine, HoldsTheTimeTheBoardTheFieldsTheResultAndTheBytes)
{
    const struct {
        TransferRecord Record;
        const char* Line;
    } cases[] = {
        {{0x40, 0x30, 0x0755, 0, 6, 5000, {0xE1, 0xC2, 0xB5, 0xDD, 0x92, 0xE0}, 6, {}},
         "1250 board=1 type=0x40 request=0x30 value=0x0755 index=0x0000 length=6 result=6 bytes=E1C2B5DD92E0"},
        {{0xC0, 0x11, 0x01FF, 0x00FF, 1, 5000, {0x0A}, 1, {}},
         "1250 board=1 type=0xC0 request=0x11 value=0x01FF index=0x00FF length=1 result=1 bytes=0A"},
        // A request that failed: what was sent, and the errno.
        {{0x40, 0x30, 0x0755, 0, 6, 5000, {1, 2, 3, 4, 5, 6}, -EPIPE, {}},
         "1250 board=1 type=0x40 request=0x30 value=0x0755 index=0x0000 length=6 result=-32 bytes=010203040506"},
        // An answer that failed brings no bytes.
        {{0xC0, 0x51, 0, 0, 1, 5000, {}, -ETIMEDOUT, {}},
         "1250 board=1 type=0xC0 request=0x51 value=0x0000 index=0x0000 length=1 result=-110 bytes="},
        {{0x80, 0x06, 0x0300, 0, 255, 1000, {4, 3, 9, 4}, 4, {}},
         "1250 board=1 type=0x80 request=0x06 value=0x0300 index=0x0000 length=255 result=4 bytes=04030904"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TBoardLog::Line(1250us, "1", c.Record), std::string(c.Line) + "\n");
}

// Two boards, the device link's operations on them: the log holds what each
// board recorded itself, in the order received, under its name, and nothing
// once it is closed.
TEST_F(BoardLogTest, EveryRequestEachBoardReceivedIsALineInOrder)
{
    auto log = std::make_unique<TBoardLog>(Path.string());
    auto first = PlugBoard(u"VELNOR-I2C", u"1");
    auto second = PlugBoard(u"VELNOR-I2C", u"2");
    log->Attach(first, "1");
    log->Attach(second, "2");
    SelSerial = "1";
    ASSERT_TRUE(SetFrequency(14074000));
    EXPECT_NE(ReadSpeedGrade(), -1);
    first->FailRequest[0x30] = EPIPE;
    EXPECT_THROW(SetFrequency(7040000), TransferError);
    SelSerial = "2";
    ASSERT_TRUE(SetFrequency(10140000));
    log.reset();
    const size_t logged[] = {first->Log.size(), second->Log.size()};
    ASSERT_TRUE(SetFrequency(10140100)) << "the boards work on without the log";

    // The boards' own records, in the order received, each line without its time.
    std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> received;
    for (const auto& [board, name, count] : {std::tuple{first, "1", logged[0]}, std::tuple{second, "2", logged[1]}})
        for (size_t i = 0; i < count; ++i)
            received.emplace_back(board->Log[i].Time, TBoardLog::Line(0us, name, board->Log[i]).substr(2));
    std::stable_sort(received.begin(), received.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> expected;
    for (const auto& r : received)
        expected.push_back(r.second);

    const std::vector<std::string> lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(lines[0].starts_with("# ")) << "a first line says what the lines hold";
    const std::regex shape(R"((\d+) (board=\S+ type=0x[0-9A-F]{2} request=0x[0-9A-F]{2} value=0x[0-9A-F]{4} )"
                           R"(index=0x[0-9A-F]{4} length=\d+ result=-?\d+ bytes=([0-9A-F]{2})*))");
    std::vector<std::string> got;
    long long last = 0;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, shape)) << lines[i];
        EXPECT_GE(std::stoll(m[1]), last) << "microseconds since the start, in the order received";
        last = std::stoll(m[1]);
        got.push_back(m[2].str() + lines[i].substr(static_cast<size_t>(m.position(2) + m.length(2))) + "\n");
    }
    EXPECT_EQ(got, expected);
}

TEST_F(BoardLogTest, AFileThatCannotBeMadeOrWrittenIsSaidAndTheBoardsWorkOn)
{
    EXPECT_THROW(
        {
            try {
                TBoardLog log("/nonexistent/board.log");
            } catch (const std::runtime_error& e) {
                EXPECT_STREQ(e.what(), "Cannot create the board log /nonexistent/board.log: No such file or directory");
                throw;
            }
        },
        std::runtime_error);

    auto board = PlugBoard(u"VELNOR-I2C", u"1");
    testing::internal::CaptureStderr();
    {
        TBoardLog full("/dev/full");
        full.Attach(board, "1");
        ASSERT_TRUE(SetFrequency(14074000));
        ASSERT_TRUE(SetFrequency(14074100));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "The board log /dev/full cannot be written: No space left on device; it ends here.\n");
    EXPECT_NEAR(board->OutputMHz(), 14.0741, 1e-3);
}
