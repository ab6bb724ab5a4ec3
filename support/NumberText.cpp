#include "support/NumberText.h"

#include "support/Errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int SignificantDigits = 15;

// Decimal digits d0 d1 ... d14 of a non-negative value, meaning d0.d1...d14 × 10^Exponent.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
};

TDecimal ToDecimal(double magnitude)
{
    char buf[40];
    // to_chars never looks at the locale; it gives "d.dddddddddddddde+xx".
    const auto end = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific,
                                   SignificantDigits - 1).ptr;
    TDecimal d;
    d.Digits.assign(1, buf[0]);
    d.Digits.append(buf + 2, SignificantDigits - 1);
    const char* exponent = buf + 2 + SignificantDigits - 1 + 1;  // after 'e'
    std::from_chars(exponent + 1, end, d.Exponent);
    if (*exponent == '-')
        d.Exponent = -d.Exponent;
    return d;
}

std::string WithPoint(std::string digits, size_t intDigits)
{
    if (digits.size() > intDigits)
        digits.insert(intDigits, 1, '.');
    return digits;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

}  // namespace

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string FormatGeneral(double v)
{
    if (std::isnan(v))
        return "NAN";
    if (std::isinf(v))
        return v < 0 ? "-INF" : "INF";
    if (v == 0)
        return "0";
    TDecimal d = ToDecimal(std::fabs(v));
    d.Digits.erase(d.Digits.find_last_not_of('0') + 1);
    std::string out = v < 0 ? "-" : "";
    if (d.Exponent >= SignificantDigits || d.Exponent < -4) {
        out += WithPoint(d.Digits, 1);
        out += 'E';
        out += std::to_string(d.Exponent);
    } else if (d.Exponent >= 0) {
        const size_t intDigits = static_cast<size_t>(d.Exponent) + 1;
        d.Digits.resize(std::max(d.Digits.size(), intDigits), '0');
        out += WithPoint(d.Digits, intDigits);
    } else {
        d.Digits.insert(0, static_cast<size_t>(-d.Exponent), '0');
        out += WithPoint(d.Digits, 1);
    }
    return out;
}

std::string CountText(long long count, const std::string& noun)
{
    return CountText(count, noun, noun + "s");
}

std::string CountText(long long count, const std::string& singular, const std::string& plural)
{
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

bool TryParseFloat(std::string_view s, double& out)
{
    const std::string_view t = TrimBlanks(s);
    size_t i = 0;
    const bool negative = i < t.size() && t[i] == '-';
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        ++i;
    const size_t start = i;

    // Decimal exponent of the first significant digit: tells overflow from underflow.
    long leading = 0;
    bool significant = false;
    size_t digits = 0;
    bool point = false;
    long fractionPos = 0;
    for (; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!IsDigit(c))
            break;
        ++digits;
        if (point)
            ++fractionPos;
        if (significant) {
            leading += point ? 0 : 1;
        } else if (c != '0') {
            significant = true;
            leading = point ? -fractionPos : 0;
        }
    }
    if (digits == 0)
        return false;

    long exponent = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        const bool negativeExponent = i < t.size() && t[i] == '-';
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            ++i;
        const size_t expStart = i;
        for (; i < t.size() && IsDigit(t[i]); ++i)
            exponent = std::min(exponent * 10 + (t[i] - '0'), 1000000L);  // saturate: far past any double
        if (i == expStart)
            return false;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != t.size())
        return false;

    double v = 0;
    const auto [ptr, ec] = std::from_chars(t.data() + start, t.data() + t.size(), v);
    if (ec == std::errc::result_out_of_range) {
        if (significant && leading + exponent > 0)
            return false;  // overflow to infinity
        v = 0;
    } else if (ec != std::errc() || ptr != t.data() + t.size()) {
        return false;
    }
    out = negative ? -v : v;
    return true;
}

double StrToFloat(std::string_view s)
{
    double v = 0;
    if (!TryParseFloat(s, v))
        throw ConvertError("'" + std::string(s) + "' is not a valid floating point value");
    return v;
}

namespace {

// The runtime's integer text: leading blanks, sign, decimal digits or hex
// digits after "$", "x" or "0x". Digits are read while the magnitude stays
// within the limit of its sign; valid only when the whole text is used.
struct TRuntimeInteger {
    uint64_t Magnitude = 0;
    bool Negative = false;
    bool Valid = false;
};

TRuntimeInteger ReadRuntimeInteger(std::string_view s, uint64_t positiveLimit, uint64_t negativeLimit)
{
    TRuntimeInteger r;
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i]))
        ++i;
    r.Negative = i < s.size() && s[i] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    uint64_t base = 10;
    if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    const uint64_t limit = r.Negative ? negativeLimit : positiveLimit;
    size_t digits = 0;
    for (; i < s.size(); ++i, ++digits) {
        const int d = HexDigitValue(s[i]);
        if (d < 0 || static_cast<uint64_t>(d) >= base || r.Magnitude > (limit - static_cast<uint64_t>(d)) / base)
            break;
        r.Magnitude = r.Magnitude * base + static_cast<uint64_t>(d);
    }
    r.Valid = digits > 0 && i == s.size();
    return r;
}

}  // namespace

bool TryStrToIntRuntime(std::string_view s, int32_t& value)
{
    const TRuntimeInteger r = ReadRuntimeInteger(s, 2147483647ULL, 2147483648ULL);
    // 2147483648 read for a negative number wraps to INT32_MIN, as a 32-bit runtime would.
    const uint32_t low = static_cast<uint32_t>(r.Magnitude);
    value = static_cast<int32_t>(r.Valid && r.Negative ? 0U - low : low);
    return r.Valid;
}

bool TryStrToInt64Runtime(std::string_view s, int64_t& value)
{
    const TRuntimeInteger r = ReadRuntimeInteger(s, 9223372036854775807ULL, 9223372036854775808ULL);
    if (!r.Valid)
        return false;
    value = static_cast<int64_t>(r.Negative ? 0ULL - r.Magnitude : r.Magnitude);
    return true;
}

std::string FormatSettingsFloat(double v)
{
    if (std::isnan(v))
        return " Nan";
    if (std::isinf(v))
        return v < 0 ? " -Inf" : " +Inf";
    const TDecimal d = ToDecimal(std::fabs(v));
    std::string exponent = std::to_string(std::abs(d.Exponent));
    exponent.insert(0, 4 - std::min<size_t>(exponent.size(), 4), '0');
    std::string out = v < 0 ? "-" : " ";
    out += WithPoint(d.Digits, 1);
    out += d.Exponent < 0 ? "E-" : "E+";
    out += exponent;
    return out;
}
