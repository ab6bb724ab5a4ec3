#pragma once
// Number text with "." as decimal separator whatever the locale.
#include <cstdint>
#include <string>
#include <string_view>

// General format: 15 significant digits, no trailing zeros, exponent form
// ("1E-5", "1.5E20") only below 0.0001 or from 1E15 on. -0 shows as "0";
// non-finite values show as "NAN", "INF", "-INF".
std::string FormatGeneral(double v);

// "1 block", "0 blocks", "3 blocks": a count and its noun, singular for one.
std::string CountText(long long count, const std::string& noun);
// The same with a plural of its own: "1 address", "2 addresses".
std::string CountText(long long count, const std::string& singular, const std::string& plural);

// Blanks around, optional sign, digits with optional fraction, optional
// exponent. Anything else, and overflow to infinity, is invalid; out is then
// left unchanged. Underflow reads as zero.
bool TryParseFloat(std::string_view s, double& out);

// TryParseFloat, or ConvertError "'<s>' is not a valid floating point value".
double StrToFloat(std::string_view s);

// The runtime's integer conversion: leading blanks, sign, decimal digits or
// hex digits after "$", "x" or "0x". Valid only when the whole text is used
// and the value fits 32 bits signed. When invalid, value gets the digits read
// before the first bad character, without the sign.
bool TryStrToIntRuntime(std::string_view s, int32_t& value);

// The same conversion to 64 bits signed; value is unchanged when invalid.
bool TryStrToInt64Runtime(std::string_view s, int64_t& value);

// 0..15 for a hexadecimal digit of either case, else -1.
int HexDigitValue(char c);

// The settings file's 23-character form " 1.40000000000000E+0007".
// Non-finite values give " Nan", " +Inf", " -Inf", which never read back.
std::string FormatSettingsFloat(double v);
