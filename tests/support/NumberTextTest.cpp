#include "support/Errors.h"
#include "support/NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

TEST(CountText, OneIsSingular)
{
    const struct {
        long long Count;
        const char* Text;
    } cases[] = {{0, "0 blocks"}, {1, "1 block"}, {2, "2 blocks"}, {-1, "-1 blocks"}, {11, "11 blocks"}};
    for (const auto& c : cases)
        EXPECT_EQ(CountText(c.Count, "block"), c.Text);
    EXPECT_EQ(CountText(1, "address", "addresses"), "1 address");
    EXPECT_EQ(CountText(2, "address", "addresses"), "2 addresses");
}

TEST(FormatGeneral, FixedAndExponentForms)
{
    const std::pair<double, const char*> cases[] = {
        {14.000001, "14.000001"}, {14200, "14200"}, {0, "0"}, {-0.0, "0"}, {-0.5, "-0.5"},
        {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {56000000, "56000000"},
        {999999999999999, "999999999999999"}, {1e15, "1E15"}, {999999999999999.9, "1E15"},
        {1.5e20, "1.5E20"}, {123456789012345678.0, "1.23456789012346E17"},
        {0.0001, "0.0001"}, {0.00012345, "0.00012345"}, {0.00009999999999999999, "0.0001"},
        {1e-5, "1E-5"}, {-1.5e-7, "-1.5E-7"}, {5e-324, "4.94065645841247E-324"},
        {NaN, "NAN"}, {Inf, "INF"}, {-Inf, "-INF"}};
    for (const auto& [v, text] : cases)
        EXPECT_EQ(FormatGeneral(v), text) << v;
}

TEST(TryParseFloat, AcceptsPlainNumbersOnly)
{
    const std::pair<const char*, double> valid[] = {
        {"14", 14}, {" 14.5 ", 14.5}, {"\t-0.5", -0.5}, {"+2", 2}, {"1.5E20", 1.5e20}, {"5.0E+0000", 5},
        {"1e-5", 1e-5}, {".5", 0.5}, {"5.", 5}, {" 1.40000000000000E+0007", 14e6}, {"1e-400", 0},
        {"0e999999999999999999", 0}};
    for (const auto& [text, v] : valid) {
        double out = -1;
        EXPECT_TRUE(TryParseFloat(text, out)) << text;
        EXPECT_EQ(out, v) << text;
    }
    for (const char* text : {"", " ", "1.2.3", "1,5", "inf", "nan", "0x10", "1e", "e5", "-", ".", "1e+", "--1",
                             "1 2", "1e400", "-1e999999999999999999", "14 MHz", " Nan", " +Inf"}) {
        double out = 7;
        EXPECT_FALSE(TryParseFloat(text, out)) << text;
        EXPECT_EQ(out, 7) << text;
    }
}

TEST(StrToFloat, RaisesTheConversionText)
{
    EXPECT_EQ(StrToFloat("0.25"), 0.25);
    try {
        StrToFloat("1.2.3");
        FAIL();
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'1.2.3' is not a valid floating point value");
    }
}

TEST(TryStrToIntRuntime, RuntimeConversion)
{
    struct Case {
        const char* Text;
        int32_t Value;
        bool Valid;
    };
    const Case cases[] = {
        {"341", 341, true}, {"1x", 1, false}, {"$FF", 255, true}, {"0x1f", 31, true}, {"X10", 16, true},
        {" -12", -12, true}, {"+7", 7, true}, {"-$1F", -31, true}, {"2 ", 2, false}, {"", 0, false},
        {"-12x", 12, false}, {"-", 0, false}, {"0x", 0, false}, {"$G", 0, false}, {"0", 0, true},
        {"2147483647", 2147483647, true}, {"-2147483648", -2147483647 - 1, true},
        {"2147483648", 214748364, false}, {"$7FFFFFFF", 2147483647, true}, {"$80000000", 0x8000000, false}};
    for (const Case& c : cases) {
        int32_t value = -99;
        EXPECT_EQ(TryStrToIntRuntime(c.Text, value), c.Valid) << c.Text;
        EXPECT_EQ(value, c.Value) << c.Text;
    }
}

TEST(FormatSettingsFloat, FixedWidthFormAndRoundTrip)
{
    EXPECT_EQ(FormatSettingsFloat(14e6), " 1.40000000000000E+0007");
    EXPECT_EQ(FormatSettingsFloat(1), " 1.00000000000000E+0000");
    EXPECT_EQ(FormatSettingsFloat(0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatSettingsFloat(-0.0), " 0.00000000000000E+0000");
    EXPECT_EQ(FormatSettingsFloat(114.285), " 1.14285000000000E+0002");
    EXPECT_EQ(FormatSettingsFloat(-2.5), "-2.50000000000000E+0000");
    EXPECT_EQ(FormatSettingsFloat(1e-5), " 1.00000000000000E-0005");
    EXPECT_EQ(FormatSettingsFloat(1e300).size(), 23u);
    for (double v : {NaN, Inf, -Inf}) {
        double back = 3;
        EXPECT_FALSE(TryParseFloat(FormatSettingsFloat(v), back)) << FormatSettingsFloat(v);
    }
    for (double v : {0.1, 1.0 / 3, 14.000001, 123456.789, -1e-300, 12500.0, 5e-324, 1e308}) {
        double back = 0;
        ASSERT_TRUE(TryParseFloat(FormatSettingsFloat(v), back)) << v;
        EXPECT_EQ(FormatGeneral(back), FormatGeneral(v));
    }
}

}  // namespace
