#include "wspr/WsprMessage.h"

#include <algorithm>
#include <charconv>

#include "wspr/WsprPack.h"

namespace {

constexpr const char* CallRule =
    "a callsign has up to 6 letters and digits with the call area digit second or third (K1ABC, AB1CD, 2E0ABC), "
    "and may carry one prefix of 1 to 3 characters (PJ4/K1ABC) or one suffix: a letter or digit, or two digits "
    "10 to 99 (K1ABC/P, K1ABC/12)";
constexpr const char* LocatorRule =
    "a locator is two letters A-R and two digits (FN42), or those and two letters A-X (FN42AX)";
constexpr const char* PowerRule = "the power is 0 to 60 dBm in steps ending in 0, 3 or 7 (0, 3, 7, 10, ... 37, 40, ... 60)";

std::string Upper(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    std::string s(text);
    std::transform(s.begin(), s.end(), s.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; });
    return s;
}

[[noreturn]] void Refuse(const char* field, const std::string& value, const std::string& why, const char* rule)
{
    throw WsprError(std::string(field) + " \"" + value + "\" cannot be sent: " + why + "; " + rule + ".");
}

bool IsAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

bool AllAlnum(std::string_view s)
{
    return std::all_of(s.begin(), s.end(), IsAlnum);
}

void CheckBaseCall(const std::string& shown, std::string_view base)
{
    if (base.empty())
        Refuse("Callsign", shown, "the callsign is missing", CallRule);
    if (!AllAlnum(base))
        Refuse("Callsign", shown, "only letters, digits and one \"/\" are allowed", CallRule);
    if (base.size() > 6)
        Refuse("Callsign", shown, "more than 6 characters", CallRule);
    std::string why;
    if (!WsprCallPositions(base, why))
        Refuse("Callsign", shown, why, CallRule);
}

void CheckCall(const std::string& call)
{
    if (call.empty())
        throw WsprError(std::string("Callsign missing: ") + CallRule + ".");
    const size_t slash = call.find('/');
    if (slash == std::string::npos) {
        CheckBaseCall(call, call);
        return;
    }
    if (call.find('/', slash + 1) != std::string::npos)
        Refuse("Callsign", call, "more than one \"/\"", CallRule);
    const std::string_view before = std::string_view(call).substr(0, slash);
    const std::string_view after = std::string_view(call).substr(slash + 1);
    if (!AllAlnum(before) || !AllAlnum(after))
        Refuse("Callsign", call, "only letters, digits and one \"/\" are allowed", CallRule);
    // One or two characters after the "/" are a suffix, more make the part before it a prefix.
    if (after.empty())
        Refuse("Callsign", call, "nothing follows the \"/\"", CallRule);
    if (after.size() <= 2) {
        CheckBaseCall(call, before);
        const bool twoDigits = after.size() == 2 && after[0] >= '1' && after[0] <= '9' && after[1] >= '0' &&
                               after[1] <= '9';
        if (after.size() != 1 && !twoDigits)
            Refuse("Callsign", call, "a suffix is one letter or digit, or two digits 10 to 99", CallRule);
        return;
    }
    if (before.empty() || before.size() > 3)
        Refuse("Callsign", call, "a prefix has 1 to 3 letters or digits", CallRule);
    CheckBaseCall(call, after);
}

void CheckLocator(const std::string& l)
{
    const auto in = [](char c, char first, char last) { return c >= first && c <= last; };
    const bool square = l.size() >= 4 && in(l[0], 'A', 'R') && in(l[1], 'A', 'R') && in(l[2], '0', '9') &&
                        in(l[3], '0', '9');
    const bool sub = l.size() == 4 || (l.size() == 6 && in(l[4], 'A', 'X') && in(l[5], 'A', 'X'));
    if (l.empty())
        throw WsprError(std::string("Locator missing: ") + LocatorRule + ".");
    if (!square || !sub)
        Refuse("Locator", l, l.size() == 4 || l.size() == 6 ? "not a locator" : "4 or 6 characters are needed",
               LocatorRule);
}

int ParsePower(const std::string& text)
{
    int dbm = -1;
    const char* end = text.data() + text.size();
    const auto [stop, err] = std::from_chars(text.data(), end, dbm);
    if (text.empty())
        throw WsprError(std::string("Power missing: ") + PowerRule + ".");
    if (err != std::errc() || stop != end)
        Refuse("Power", text, "not a whole number of dBm", PowerRule);
    if (!IsWsprPower(dbm))
        Refuse("Power", text, "no power the message can carry", PowerRule);
    return dbm;
}

TWsprTransmission Transmission(TWsprType type, std::string text, const TWsprSource& source)
{
    return {type, std::move(text), source, WsprChannelSymbols(source)};
}

}  // namespace

bool IsWsprPower(int dbm)
{
    const int last = dbm % 10;
    return dbm >= 0 && dbm <= 60 && (last == 0 || last == 3 || last == 7);
}

TWsprMessage MakeWsprMessage(std::string_view call, std::string_view locator, std::string_view powerDbm)
{
    TWsprMessage m{Upper(call), Upper(locator), 0};
    CheckCall(m.Call);
    CheckLocator(m.Locator);
    m.PowerDbm = ParsePower(Upper(powerDbm));
    if (m.Call.find('/') != std::string::npos && m.Locator.size() == 4)
        Refuse("Locator", m.Locator, "a compound callsign is sent with a 6-character locator (FN42AX)",
               LocatorRule);
    return m;
}

TWsprMessage ParseWsprMessage(std::string_view text)
{
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(" \t", at);
        if (start == std::string_view::npos)
            break;
        const size_t stop = std::min(text.find_first_of(" \t", start), text.size());
        words.push_back(text.substr(start, stop - start));
        at = stop;
    }
    if (words.size() != 3)
        throw WsprError("Message \"" + std::string(text) +
                        "\" cannot be sent: it needs a callsign, a locator and a power, such as \"K1ABC FN42 37\".");
    return MakeWsprMessage(words[0], words[1], words[2]);
}

std::vector<TWsprTransmission> WsprTransmissions(const TWsprMessage& m)
{
    const std::string power = std::to_string(m.PowerDbm);
    std::vector<TWsprTransmission> list;
    if (m.Call.find('/') != std::string::npos)
        list.push_back(Transmission(TWsprType::Compound, m.Call + " " + power, WsprCompoundSource(m.Call, m.PowerDbm)));
    else
        list.push_back(Transmission(TWsprType::Standard, m.Call + " " + m.Locator.substr(0, 4) + " " + power,
                                    WsprStandardSource(m.Call, m.Locator.substr(0, 4), m.PowerDbm)));
    if (m.Locator.size() == 6)
        list.push_back(Transmission(TWsprType::Hashed, "<" + m.Call + "> " + m.Locator + " " + power,
                                    WsprHashedSource(m.Call, m.Locator, m.PowerDbm)));
    return list;
}
