#include "wspr/WsprPack.h"

#include <bit>

namespace {

// The sync vector: the low bit of every channel symbol.
constexpr std::string_view SyncBits =
    "110000001000111000100101111000000010010100000010110011"
    "010001101000011010101010010010110001101010001000001001"
    "001110110011010001110000010100110000000110101100011000";
static_assert(SyncBits.size() == 162);

// The two generator polynomials of the rate-1/2, constraint-length-32 code.
constexpr uint32_t Poly1 = 0xF2D05351;
constexpr uint32_t Poly2 = 0xE4613C47;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsLetter(char c)
{
    return c >= 'A' && c <= 'Z';
}

// 0-9 digits, 10-35 letters, 36 blank.
uint32_t CharCode(char c)
{
    if (IsDigit(c))
        return static_cast<uint32_t>(c - '0');
    if (IsLetter(c))
        return static_cast<uint32_t>(c - 'A' + 10);
    return 36;
}

uint32_t Rotate(uint32_t x, int k)
{
    return std::rotl(x, k);
}

// Compound calls: the 15-bit field takes the prefix or suffix, and the
// power field says whether 32768 was taken off to make it fit.
struct TAddOn {
    std::string Base;
    uint32_t Field;
    uint32_t Extra;  // 0 or 1
};

TAddOn SplitAddOn(std::string_view call)
{
    const size_t slash = call.find('/');
    const std::string_view before = call.substr(0, slash);
    const std::string_view after = call.substr(slash + 1);
    if (after.size() == 1)  // one letter or digit: /P, /7
        return {std::string(before), 60000 - 32768 + CharCode(after[0]), 1};
    if (after.size() == 2)  // two digits: /10 .. /99
        return {std::string(before), 60000 + 26 + static_cast<uint32_t>((after[0] - '0') * 10 + (after[1] - '0')) - 32768,
                1};
    // A prefix of one to three characters, right-aligned in three places.
    const std::string prefix = std::string(3 - before.size(), ' ') + std::string(before);
    uint32_t field = 0;
    for (char c : prefix)
        field = 37 * field + CharCode(c);
    if (field >= 32768)
        return {std::string(after), field - 32768, 1};
    return {std::string(after), field, 0};
}

}  // namespace

std::optional<std::string> WsprCallPositions(std::string_view call, std::string& why)
{
    std::string c(call);
    // The code has no room for "3DA0": it is sent as "3D0" and read back as it was.
    if (c.starts_with("3DA0"))
        c = "3D0" + c.substr(4);
    if (c.size() > 2 && IsDigit(c[2])) {
        // already in place
    } else if (c.size() > 1 && IsDigit(c[1])) {
        if (c.size() > 5) {
            why = "with the digit second, at most 5 characters";
            return std::nullopt;
        }
        c.insert(c.begin(), ' ');
    } else {
        why = "the call area digit must be the second or third character";
        return std::nullopt;
    }
    c.resize(6, ' ');
    for (size_t i = 3; i < 6; ++i) {
        if (!IsLetter(c[i]) && c[i] != ' ') {
            why = "only letters may follow the call area digit";
            return std::nullopt;
        }
    }
    return c;
}

uint32_t PackWsprCall(std::string_view call)
{
    std::string why;
    const std::string c = WsprCallPositions(call, why).value_or("      ");
    uint32_t n = CharCode(c[0]);
    n = 36 * n + CharCode(c[1]);
    n = 10 * n + CharCode(c[2]);
    for (size_t i = 3; i < 6; ++i)
        n = 27 * n + CharCode(c[i]) - 10;
    return n;
}

uint32_t PackWsprLocator(std::string_view l)
{
    const auto at = [&](size_t i, char first) { return static_cast<uint32_t>(l[i] - first); };
    return (179 - 10 * at(0, 'A') - at(2, '0')) * 180 + 10 * at(1, 'A') + at(3, '0');
}

// The 32-bit byte hash the receivers use for calls they cannot spell out.
uint32_t WsprCallHash(std::string_view call)
{
    uint32_t a = 0xDEADBEEF + static_cast<uint32_t>(call.size()) + 146;
    uint32_t b = a;
    uint32_t c = a;
    const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(call[i])); };
    const auto word = [&](size_t at, size_t n) {
        uint32_t w = 0;
        for (size_t i = 0; i < n && at + i < call.size(); ++i)
            w += byte(at + i) << (8 * i);
        return w;
    };
    size_t at = 0;
    size_t left = call.size();
    while (left > 12) {
        a += word(at, 4);
        b += word(at + 4, 4);
        c += word(at + 8, 4);
        a -= c; a ^= Rotate(c, 4);  c += b;
        b -= a; b ^= Rotate(a, 6);  a += c;
        c -= b; c ^= Rotate(b, 8);  b += a;
        a -= c; a ^= Rotate(c, 16); c += b;
        b -= a; b ^= Rotate(a, 19); a += c;
        c -= b; c ^= Rotate(b, 4);  b += a;
        at += 12;
        left -= 12;
    }
    if (left == 0)
        return c & 0x7FFF;
    a += word(at, left >= 4 ? 4 : left);
    b += left > 4 ? word(at + 4, left - 4 >= 4 ? 4 : left - 4) : 0;
    c += left > 8 ? word(at + 8, left - 8) : 0;
    c ^= b; c -= Rotate(b, 14);
    a ^= c; a -= Rotate(c, 11);
    b ^= a; b -= Rotate(a, 25);
    c ^= b; c -= Rotate(b, 16);
    a ^= c; a -= Rotate(c, 4);
    b ^= a; b -= Rotate(a, 14);
    c ^= b; c -= Rotate(b, 24);
    return c & 0x7FFF;
}

TWsprSource WsprStandardSource(std::string_view call, std::string_view locator4, int powerDbm)
{
    return {PackWsprCall(call), PackWsprLocator(locator4) * 128 + static_cast<uint32_t>(powerDbm) + 64};
}

TWsprSource WsprCompoundSource(std::string_view call, int powerDbm)
{
    const TAddOn a = SplitAddOn(call);
    return {PackWsprCall(a.Base), 128 * a.Field + static_cast<uint32_t>(powerDbm) + 1 + a.Extra + 64};
}

TWsprSource WsprHashedSource(std::string_view call, std::string_view locator6, int powerDbm)
{
    // The locator goes in the callsign field, its first letter moved to the end.
    const std::string asCall = std::string(locator6.substr(1)) + locator6[0];
    return {PackWsprCall(asCall), 128 * WsprCallHash(call) + static_cast<uint32_t>(63 - powerDbm)};
}

std::array<uint8_t, 162> WsprChannelSymbols(const TWsprSource& s)
{
    // 50 source bits and 31 zero bits that flush the encoder.
    const uint64_t source = static_cast<uint64_t>(s.N & 0xFFFFFFF) << 22 | (s.M & 0x3FFFFF);
    std::array<uint8_t, 162> coded{};
    uint32_t reg = 0;
    for (int i = 0; i < 81; ++i) {
        const uint32_t bit = i < 50 ? static_cast<uint32_t>(source >> (49 - i) & 1) : 0;
        reg = reg << 1 | bit;
        coded[static_cast<size_t>(2 * i)] = static_cast<uint8_t>(std::popcount(reg & Poly1) & 1);
        coded[static_cast<size_t>(2 * i + 1)] = static_cast<uint8_t>(std::popcount(reg & Poly2) & 1);
    }
    // Interleaving: coded bit p goes to the place whose 8-bit reversal is the p-th below 162.
    std::array<uint8_t, 162> symbols{};
    size_t p = 0;
    for (unsigned i = 0; i < 256 && p < coded.size(); ++i) {
        unsigned j = 0;
        for (int b = 0; b < 8; ++b)
            j |= (i >> b & 1u) << (7 - b);
        if (j < coded.size())
            symbols[j] = static_cast<uint8_t>(2 * coded[p++] + (SyncBits[j] - '0'));
    }
    return symbols;
}
