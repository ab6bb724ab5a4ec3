#include "setup/HexField.h"

#include "support/NumberText.h"

bool TryParseHex32(std::string_view text, uint32_t& value)
{
    if (text.empty())
        return false;
    uint64_t parsed = 0;
    for (const char c : text) {
        const int digit = HexDigitValue(c);
        if (digit < 0)
            return false;
        parsed = parsed << 4 | static_cast<uint64_t>(digit);
        if (parsed > UINT32_MAX)
            return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool IsHexDigits(std::string_view text)
{
    for (const char c : text)
        if (HexDigitValue(c) < 0)
            return false;
    return !text.empty();
}
