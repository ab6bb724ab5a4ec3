// The channel symbols against the reference encoder (wsprcode): hundreds of
// random messages and the edge cases of the call rules, and the messages
// both refuse.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ReferenceTools.h"
#include "wspr/WsprMessage.h"

namespace {

// The "Channel symbols:" block of wsprcode's report, as digits; empty when
// the reference could not encode the message.
std::string ReferenceSymbols(const std::string& bin, const std::string& text)
{
    const std::string out = RunCommand(bin + "/wsprcode '" + text + "'");
    const size_t hex = out.find("Hex:");
    if (hex != std::string::npos && out.compare(hex, 29, "Hex:     00 00 00 00 00 00 00") == 0)
        return {};  // what it prints for a message it cannot pack
    const size_t at = out.find("Channel symbols:");
    const size_t end = out.find("Decoded message", at);
    std::string digits;
    for (size_t i = at; at != std::string::npos && i < end && i < out.size(); ++i)
        if (out[i] >= '0' && out[i] <= '3')
            digits += out[i];
    return digits;
}

// The symbols of wsprsim, the simulator beside the decoder: an encoder of its
// own that checks nothing and lacks some of the call rules, so only for the
// one place where the reference itself is wrong.
std::string SimulatorSymbols(const std::string& bin, const std::string& text)
{
    const std::string out = RunCommand("cd \"$(mktemp -d)\" && " + bin + "/wsprsim -c '" + text + "'");
    std::string digits;
    for (size_t i = out.find("Channel symbols:"); i != std::string::npos && i < out.size(); ++i)
        if (out[i] >= '0' && out[i] <= '3')
            digits += out[i];
    return digits;
}

std::string Digits(const TWsprTransmission& t)
{
    std::string s;
    for (uint8_t v : t.Symbols)
        s += static_cast<char>('0' + v);
    return s;
}

// Random calls of every shape the positions allow: a one- or two-character
// prefix (letters or a digit first), the call area digit, one to three letters.
struct MessageMaker {
    std::mt19937 Rng;
    char Pick(const std::string& from) { return from[std::uniform_int_distribution<size_t>(0, from.size() - 1)(Rng)]; }
    int Upto(int n) { return std::uniform_int_distribution<int>(0, n)(Rng); }

    std::string Call()
    {
        const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
        const std::string digits = "0123456789";
        std::string c;
        switch (Upto(3)) {
        case 0: c = {Pick(letters)}; break;                                 // K1ABC
        case 1: c = {Pick(letters), Pick(letters)}; break;                  // AB1CD
        case 2: c = {Pick(digits), Pick(letters)}; break;                   // 2E0ABC
        default: c = {Pick(letters), Pick(digits)}; break;                  // A12BC
        }
        c += Pick(digits);
        const int tail = 1 + Upto(2);
        for (int i = 0; i < tail; ++i)
            c += Pick(letters);
        return c;
    }
    std::string Prefix()
    {
        std::string p;
        for (int i = 0, n = 1 + Upto(2); i < n; ++i)
            p += Pick("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
        return p;
    }
    std::string Locator(bool six)
    {
        std::string l = {Pick("ABCDEFGHIJKLMNOPQR"), Pick("ABCDEFGHIJKLMNOPQR"), Pick("0123456789"), Pick("0123456789")};
        if (six)
            l += {Pick("ABCDEFGHIJKLMNOPQRSTUVWX"), Pick("ABCDEFGHIJKLMNOPQRSTUVWX")};
        return l;
    }
    int Power()
    {
        static constexpr int Powers[] = {0, 3, 7, 10, 13, 17, 20, 23, 27, 30, 33, 37, 40, 43, 47, 50, 53, 57, 60};
        return Powers[Upto(18)];
    }
};

// wsprcode takes the squares of field RO for a signal report and sends
// something else; the simulator and the decoder keep the locator.
bool IsReportSquare(const TWsprTransmission& t)
{
    return t.Type == TWsprType::Standard && t.Text.find(" RO") != std::string::npos;
}

void ExpectSameAsReference(const std::string& bin, const TWsprMessage& message)
{
    for (const TWsprTransmission& t : WsprTransmissions(message))
        EXPECT_EQ(Digits(t), IsReportSquare(t) ? SimulatorSymbols(bin, t.Text) : ReferenceSymbols(bin, t.Text))
            << t.Text;
}

}  // namespace

TEST(WsprReference, RandomStandardMessagesHaveTheReferenceSymbols)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    MessageMaker make{std::mt19937(20240522)};
    for (int i = 0; i < 220; ++i) {
        const TWsprMessage m{make.Call(), make.Locator(false), make.Power()};
        SCOPED_TRACE(m.Call + " " + m.Locator);
        ExpectSameAsReference(bin, MakeWsprMessage(m.Call, m.Locator, std::to_string(m.PowerDbm)));
    }
}

TEST(WsprReference, RandomTwoTransmissionMessagesHaveTheReferenceSymbols)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    MessageMaker make{std::mt19937(7)};
    const std::vector<std::string> addOns = {"P", "7", "12", "99", "M"};
    for (int i = 0; i < 60; ++i) {
        std::string call = make.Call();
        if (i % 3 == 1)
            call = make.Prefix() + "/" + call;
        else if (i % 3 == 2)
            call += "/" + addOns[static_cast<size_t>(make.Upto(4))];
        SCOPED_TRACE(call);
        ExpectSameAsReference(bin, MakeWsprMessage(call, make.Locator(true), std::to_string(make.Power())));
    }
}

// The call rules at their edges: where the digit may stand, padding, the
// longest fields, the prefix and suffix forms, and the one prefix the code
// spells differently.
TEST(WsprReference, EdgeCasesOfTheCallRulesHaveTheReferenceSymbols)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    const std::vector<std::vector<std::string>> cases = {
        {"K1A", "AA00", "0"},       {"K1ABC", "FN42", "37"},   {"A1", "JO01", "3"},      {"AB1", "IO91", "7"},
        {"A12BC", "KM72", "10"},    {"2E0ABC", "IO91", "23"},  {"4X1AB", "KM72", "60"},  {"1A1A", "AA00", "7"},
        {"ZZ9ZZZ", "RR99", "60"},   {"Q0Q", "RA09", "13"},     {"3DA0AB", "JG73", "30"}, {"3DA0A", "JG73", "30"},
        {"9K2A", "LL39", "20"},     {"k1abc", "fn42", "37"},   {" K1ABC ", " FN42 ", " 37 "},
        {"K1ABC", "FN42AX", "37"},  {"K1ABC", "AA00AA", "0"},  {"K1ABC", "RR99XX", "60"},
        {"PJ4/K1ABC", "FK52UD", "37"}, {"A/K1ABC", "FN42AX", "3"}, {"NYN/K1ABC", "FN42AX", "7"},
        {"ZZZ/K1ABC", "FN42AX", "7"},  {"9/K1ABC", "FN42AX", "7"}, {"K1ABC/P", "FN42AX", "30"},
        {"K1ABC/0", "FN42AX", "30"},   {"K1ABC/Z", "FN42AX", "30"}, {"K1ABC/10", "FN42AX", "30"},
        {"K1ABC/99", "FN42AX", "30"},  {"A1/K1ABC", "FN42AX", "30"}, {"3DA0AB/P", "JG73AA", "30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c[0] + " " + c[1] + " " + c[2]);
        ExpectSameAsReference(bin, MakeWsprMessage(c[0], c[1], c[2]));
    }
}

TEST(WsprReference, SquaresOfFieldROAreSentAsLocatorsAsTheSimulatorDoes)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    for (const char* text : {"K1ABC RO02 23", "UA0ABC RO99 37"}) {
        const TWsprTransmission t = WsprTransmissions(ParseWsprMessage(text)).front();
        EXPECT_EQ(Digits(t), SimulatorSymbols(bin, text));
        EXPECT_NE(Digits(t), ReferenceSymbols(bin, text)) << "wsprcode now sends RO squares as locators";
    }
}

// What the code cannot carry is refused here and cannot be encoded by the reference either.
TEST(WsprReference, MessagesTheCodeCannotCarryAreRefusedByBoth)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    const std::vector<std::string> cases = {
        "G0ABCD IO91 10",  // digit second and six characters: one too many
        "K1AB2 FN42 37",   // a digit after the call area digit
        "KABC FN42 37",    // no digit at all
        "K1ABCDE FN42 37", // seven characters
        "3DA0ABC JG73 30", // seven characters before the prefix is shortened
        "3XA1BC IJ00 30",  // only 3DA0 is shortened
        "K1ABC SS00 37",   // field letters end at R
        "K1ABC FNA2 37",   // square digits
    };
    for (const std::string& text : cases) {
        EXPECT_THROW(ParseWsprMessage(text), WsprError) << text;
        EXPECT_EQ(ReferenceSymbols(bin, text), "") << text;
    }
}
