// Lines out of bytes however they arrive, and the limit on a line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/RigLines.h"

namespace {

std::vector<std::string> Cut(TRigLines& lines, const std::vector<std::string>& chunks)
{
    std::vector<std::string> got;
    for (const std::string& chunk : chunks)
        lines.Feed(chunk, [&](std::string_view line, bool tooLong) {
            got.push_back(tooLong ? "<too long>" : std::string(line));
            return true;
        });
    return got;
}

TEST(RigLines, LinesComeWholeWhateverTheReads)
{
    struct Case {
        std::vector<std::string> Chunks;
        std::vector<std::string> Lines;
        bool Partial;
    };
    const std::vector<Case> table{
        {{"f\n"}, {"f"}, false},
        {{"T 1\nq\n"}, {"T 1", "q"}, false},
        {{"F 14", "07\nf", "\n"}, {"F 1407", "f"}, false},
        {{"F", " ", "1", "\n"}, {"F 1"}, false},
        {{"\n\n"}, {"", ""}, false},
        {{"f\r\n"}, {"f\r"}, false},
        {{"f"}, {}, true},
        {{"f\nF 1"}, {"f"}, true},
        {{std::string("a\0b\n", 4)}, {std::string("a\0b", 3)}, false},
        // Exactly at the limit (8) is a line; one past is not.
        {{"12345678\n"}, {"12345678"}, false},
        {{"1234", "5678\n"}, {"12345678"}, false},
        {{"123456789\nf\n"}, {"<too long>", "f"}, false},
        // Reported as soon as it is too long, once, and dropped up to its end.
        {{"123456789"}, {"<too long>"}, true},
        {{"12345", "6789", "abcdefghijk", "lmn\nf\n"}, {"<too long>", "f"}, false},
        {{"123456789", "\n", "t\n"}, {"<too long>", "t"}, false},
    };
    for (const Case& c : table) {
        TRigLines lines(8);
        EXPECT_EQ(Cut(lines, c.Chunks), c.Lines) << testing::PrintToString(c.Chunks);
        EXPECT_EQ(lines.HasPartial(), c.Partial) << testing::PrintToString(c.Chunks);
    }
}

// Stopped at a line, it tells how far it took the bytes; the rest can be
// given again later (the server's turns).
TEST(RigLines, StoppingTellsWhatWasTaken)
{
    TRigLines lines(8);
    std::vector<std::string> got;
    const auto until = [&](std::string stop) {
        return [&got, stop](std::string_view line, bool tooLong) {
            got.push_back(tooLong ? "<too long>" : std::string(line));
            return got.back() != stop;
        };
    };
    EXPECT_EQ(lines.Feed("T 1\nq\nf\n", until("q")), 6u);
    EXPECT_EQ(lines.Feed("f\n", until("")), 2u);
    EXPECT_EQ(lines.Feed("123456789abc\nt\n", until("<too long>")), 13u);
    EXPECT_EQ(lines.Feed("t\n", until("")), 2u);
    // Too long before its end: the rest of it is dropped when it comes.
    EXPECT_EQ(lines.Feed("123456789", until("<too long>")), 9u);
    EXPECT_EQ(lines.Feed("abc\nt\n", until("")), 6u);
    EXPECT_EQ(lines.Feed("F 1", until("")), 3u);
    EXPECT_EQ(got, (std::vector<std::string>{"T 1", "q", "f", "<too long>", "t", "<too long>", "t"}));
    EXPECT_TRUE(lines.HasPartial());
}

}  // namespace
