// Message fields: what is refused and how the refusal reads, how fields are
// normalised, and which transmissions carry a message.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "wspr/WsprMessage.h"

namespace {

std::string Refusal(const std::string& call, const std::string& locator, const std::string& power)
{
    try {
        MakeWsprMessage(call, locator, power);
    } catch (const WsprError& e) {
        return e.what();
    }
    return "accepted";
}

}  // namespace

// Each refusal names the field, quotes the value, says what is wrong and
// ends with what is allowed for that field.
TEST(WsprMessage, AFieldThatCannotBeSentIsNamedWithWhatIsAllowed)
{
    struct Case {
        const char* Call;
        const char* Locator;
        const char* Power;
        const char* Starts;
    };
    const Case cases[] = {
        {"", "FN42", "37", "Callsign missing: a callsign has up to 6"},
        {"K1ABCDE", "FN42", "37", "Callsign \"K1ABCDE\" cannot be sent: more than 6 characters; a callsign"},
        {"G0ABCD", "IO91", "37", "Callsign \"G0ABCD\" cannot be sent: with the digit second, at most 5 characters"},
        {"KABC", "FN42", "37", "Callsign \"KABC\" cannot be sent: the call area digit must be the second or third"},
        {"K1AB2", "FN42", "37", "Callsign \"K1AB2\" cannot be sent: only letters may follow the call area digit"},
        {"A", "FN42", "37", "Callsign \"A\" cannot be sent: the call area digit"},
        {"K1-AB", "FN42", "37", "Callsign \"K1-AB\" cannot be sent: only letters, digits and one \"/\" are allowed"},
        {"K1ÄB", "FN42", "37", "Callsign \"K1ÄB\" cannot be sent: only letters, digits and one \"/\""},
        {"PJ4/K1ABC/P", "FN42AX", "37", "Callsign \"PJ4/K1ABC/P\" cannot be sent: more than one \"/\""},
        {"K1ABC/", "FN42AX", "37", "Callsign \"K1ABC/\" cannot be sent: nothing follows the \"/\""},
        {"K1ABC/05", "FN42AX", "37", "Callsign \"K1ABC/05\" cannot be sent: a suffix is one letter or digit, or two"},
        {"K1ABC/MM", "FN42AX", "37", "Callsign \"K1ABC/MM\" cannot be sent: a suffix is"},
        {"ABCD/K1ABC", "FN42AX", "37", "Callsign \"ABCD/K1ABC\" cannot be sent: a prefix has 1 to 3 letters or digits"},
        {"/K1ABC", "FN42AX", "37", "Callsign \"/K1ABC\" cannot be sent: a prefix has 1 to 3"},
        {"PJ4/G0ABCD", "FN42AX", "37", "Callsign \"PJ4/G0ABCD\" cannot be sent: with the digit second"},
        {"G0ABCD/P", "FN42AX", "37", "Callsign \"G0ABCD/P\" cannot be sent: with the digit second"},
        {"K1ABC", "", "37", "Locator missing: a locator is two letters A-R and two digits (FN42)"},
        {"K1ABC", "SS00", "37", "Locator \"SS00\" cannot be sent: not a locator; a locator is two letters A-R"},
        {"K1ABC", "FN4", "37", "Locator \"FN4\" cannot be sent: 4 or 6 characters are needed"},
        {"K1ABC", "FN42A", "37", "Locator \"FN42A\" cannot be sent: 4 or 6 characters are needed"},
        {"K1ABC", "FN42AY", "37", "Locator \"FN42AY\" cannot be sent: not a locator"},
        {"K1ABC", "F42N", "37", "Locator \"F42N\" cannot be sent: not a locator"},
        {"PJ4/K1ABC", "FK52", "37",
         "Locator \"FK52\" cannot be sent: a compound callsign is sent with a 6-character locator (FN42AX)"},
        {"K1ABC", "FN42", "", "Power missing: the power is 0 to 60 dBm in steps ending in 0, 3 or 7"},
        {"K1ABC", "FN42", "38", "Power \"38\" cannot be sent: no power the message can carry; the power is 0 to 60"},
        {"K1ABC", "FN42", "63", "Power \"63\" cannot be sent: no power the message can carry"},
        {"K1ABC", "FN42", "-3", "Power \"-3\" cannot be sent: no power the message can carry"},
        {"K1ABC", "FN42", "3.0", "Power \"3.0\" cannot be sent: not a whole number of dBm"},
        {"K1ABC", "FN42", "5W", "Power \"5W\" cannot be sent: not a whole number of dBm"},
        {"K1ABC", "FN42", "99999999999", "Power \"99999999999\" cannot be sent: not a whole number of dBm"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(Refusal(c.Call, c.Locator, c.Power).starts_with(c.Starts))
            << c.Call << " " << c.Locator << " " << c.Power << ": " << Refusal(c.Call, c.Locator, c.Power);
}

TEST(WsprMessage, FieldsAreTakenInEitherCaseAndWithoutTheBlanksAround)
{
    const TWsprMessage m = ParseWsprMessage("  pj4/k1abc\tfk52ud   37 ");
    EXPECT_EQ(m.Call, "PJ4/K1ABC");
    EXPECT_EQ(m.Locator, "FK52UD");
    EXPECT_EQ(m.PowerDbm, 37);
    const TWsprMessage f = MakeWsprMessage(" 3da0ab ", "jg73 ", " 0");
    EXPECT_EQ(f.Call, "3DA0AB");
    EXPECT_EQ(f.Locator, "JG73");
    EXPECT_EQ(f.PowerDbm, 0);
}

TEST(WsprMessage, AMessageTextNeedsExactlyThreeFields)
{
    for (const char* text : {"", "K1ABC FN42", "K1ABC FN42 37 X", "K1ABC"})
        EXPECT_THROW(ParseWsprMessage(text), WsprError) << text;
    try {
        ParseWsprMessage("K1ABC FN42");
    } catch (const WsprError& e) {
        EXPECT_STREQ(e.what(), "Message \"K1ABC FN42\" cannot be sent: it needs a callsign, a locator and a power, "
                               "such as \"K1ABC FN42 37\".");
    }
}

TEST(WsprMessage, ThePowersAreThoseEndingIn0Or3Or7UpTo60)
{
    std::vector<int> powers;
    for (int dbm = -10; dbm <= 70; ++dbm)
        if (IsWsprPower(dbm))
            powers.push_back(dbm);
    EXPECT_EQ(powers, (std::vector<int>{0, 3, 7, 10, 13, 17, 20, 23, 27, 30, 33, 37, 40, 43, 47, 50, 53, 57, 60}));
}

// A 6-character locator or a compound call needs a second transmission that
// carries the locator and a hash of the call.
TEST(WsprMessage, TheTransmissionsOfAMessageAreSentInTurn)
{
    struct Case {
        const char* Text;
        std::vector<std::string> Sent;
    };
    const Case cases[] = {
        {"K1ABC FN42 37", {"K1ABC FN42 37"}},
        {"K1ABC FN42AX 37", {"K1ABC FN42 37", "<K1ABC> FN42AX 37"}},
        {"PJ4/K1ABC FK52UD 37", {"PJ4/K1ABC 37", "<PJ4/K1ABC> FK52UD 37"}},
        {"K1ABC/12 FN42AX 0", {"K1ABC/12 0", "<K1ABC/12> FN42AX 0"}},
        {"3DA0AB JG73 30", {"3DA0AB JG73 30"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> sent;
        for (const TWsprTransmission& t : WsprTransmissions(ParseWsprMessage(c.Text)))
            sent.push_back(t.Text);
        EXPECT_EQ(sent, c.Sent) << c.Text;
    }
    const auto pair = WsprTransmissions(ParseWsprMessage("PJ4/K1ABC FK52UD 37"));
    EXPECT_EQ(pair[0].Type, TWsprType::Compound);
    EXPECT_EQ(pair[1].Type, TWsprType::Hashed);
}

// One message's symbols as the reference encoder prints them, so the coding
// is pinned also where the reference cannot be fetched.
TEST(WsprMessage, TheChannelSymbolsOfOneKnownMessage)
{
    const std::string expected =
        "330020001020131222100323133220200032012322002232110233"
        "210221321222033030301210212032132003323032203020201023"
        "021112330231212221332000010320132222202332323320031222";
    const TWsprTransmission t = WsprTransmissions(ParseWsprMessage("K1ABC FN42 37")).front();
    std::string got;
    for (uint8_t s : t.Symbols)
        got += static_cast<char>('0' + s);
    EXPECT_EQ(got, expected);
}
