// The code language without a window: symbol values and frequencies, the
// preview's lines and what each transmission tick does.
#include <gtest/gtest.h>

#include <limits>

#include "mept/MeptCode.h"
#include "support/Errors.h"

TEST(HexSymbolValue, HexDigitsOfEitherCaseAndNothingElse)
{
    const std::pair<char, int> cases[] = {{'0', 0}, {'9', 9}, {'a', 10}, {'A', 10}, {'f', 15}, {'F', 15},
                                          {'g', -1}, {'x', -1}, {'X', -1}, {' ', -1}, {'/', -1}, {':', -1},
                                          {'@', -1}, {'G', -1}, {'\xE9', -1}, {'\0', -1}};
    for (const auto& [c, value] : cases)
        EXPECT_EQ(HexSymbolValue(c), value) << int(c);
}

TEST(SymbolTime, SecondsTruncateTowardZeroAndOutOfRangeRaises)
{
    const std::pair<double, int> cases[] = {{1, 1000}, {0.05, 50}, {0.0009, 0}, {0.0015, 1}, {-0.0015, -1},
                                            {2.9999, 2999}, {0, 0}, {100000, 100000000}};
    for (const auto& [seconds, ms] : cases)
        EXPECT_EQ(SymbolTimeMsOf(seconds), ms) << seconds;
    for (const double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                             -std::numeric_limits<double>::infinity(), 1e9, -1e9, 134218.0})
        EXPECT_THROW(SymbolTimeMsOf(bad), RangeError) << bad;
    EXPECT_EQ(SymbolTimeMsOf(134217), 134217000);  // sixteen of these still fit the timer
}

namespace {

TMeptLine Line(int x1, int x2, int value, bool red = false, int size = 3)
{
    return {x1, x2, (17 - value) * size, size, red};
}

}  // namespace

TEST(Preview, LinesOfEachCommand)
{
    struct Case {
        const char* Code;
        std::vector<TMeptLine> Lines;
        int EndX;
    } const cases[] = {
        {"", {}, 0},
        {"8", {Line(0, 3, 8)}, 3},
        {"0F", {Line(0, 3, 0), Line(3, 6, 15)}, 6},
        {"S38", {Line(0, 12, 8)}, 12},
        {"s3a", {Line(0, 12, 10)}, 12},
        {"SF1", {Line(0, 48, 1)}, 48},
        {"S38S08", {Line(0, 12, 8), Line(12, 15, 8)}, 15},
        {"SZ8", {Line(0, 3, 8)}, 3},           // S with no hex digit: no change
        {"P88", {Line(0, 3, 8)}, 3},           // the digit after P is skipped
        {"pA", {}, 0},
        {"8X8", {Line(0, 3, 8), Line(6, 9, 8)}, 9},
        {"S1XX8", {Line(12, 18, 8)}, 18},
        {"8Z 8", {Line(0, 3, 8), Line(3, 6, 8)}, 6},  // other characters are ignored
        {"8Q9", {Line(0, 3, 8), Line(3, 6, 9, true)}, 6},
        {"q8", {Line(0, 3, 8, true)}, 3},
        {"8S", {Line(0, 3, 8)}, 3},
        {"8P", {Line(0, 3, 8)}, 3},
    };
    for (const Case& c : cases) {
        TMeptDrawing d{.GraphSize = 3};
        EXPECT_EQ(DrawPreview(c.Code, d), c.Lines) << c.Code;
        EXPECT_EQ(d.GraphX, c.EndX) << c.Code;
    }
}

namespace {

// What the ticks of one pass send: the symbol value (or "none") and the
// interval factor set on that tick.
struct TickSeen {
    std::optional<int> Symbol;
    int IntervalFactor = 0;
    bool Stop = false;

    bool operator==(const TickSeen&) const = default;
};

std::vector<TickSeen> Pass(const std::string& code, int ticks)
{
    TMeptDrawing d{.GraphSize = 3};
    d.Clear();
    TMeptTransmission t;
    t.Start(code);
    std::vector<TickSeen> seen;
    for (int i = 0; i < ticks; ++i) {
        const TMeptTick tick = t.Tick(d);
        seen.push_back({tick.Symbol, tick.IntervalFactor, tick.Stop});
    }
    return seen;
}

}  // namespace

TEST(Transmission, EachTickSendsOneSymbol)
{
    const std::optional<int> none;
    struct Case {
        const char* Code;
        std::vector<TickSeen> Ticks;
    } const cases[] = {
        {"8F", {{8}, {15}, {none}}},
        {"S38X", {{8, 4}, {-1}, {none}}},
        {"S3aS0b", {{10, 4}, {11, 1}}},
        {"s3A", {{10, 4}, {none}}},
        {"P8F", {{15}, {none}}},
        {"P", {{none}}},
        {"8S", {{8}, {none}}},
        {"8P", {{8}, {none}}},
        {"8Q9", {{8}, {-1, 0, true}, {9}}},
        {"z8", {{-1}, {8}}},
        {"", {{none}, {none}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Pass(c.Code, static_cast<int>(c.Ticks.size())), c.Ticks) << c.Code;
}
