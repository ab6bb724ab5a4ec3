#include "memory/EepromFields.h"

#include <algorithm>
#include <cstdio>

#include "support/Errors.h"
#include "support/NumberText.h"

uint64_t FieldValue(const TEepromField& field, std::span<const uint8_t> image)
{
    if (field.Address < 0 || field.Width < 1 || field.Width > 8 ||
        static_cast<size_t>(field.Address + field.Width) > image.size())
        throw RangeError("EEPROM field at " + std::to_string(field.Address) + " is outside the image");
    uint64_t value = 0;
    for (int i = field.Width - 1; i >= 0; --i)
        value = value << 8 | image[static_cast<size_t>(field.Address + i)];
    return value;
}

void StoreField(const TEepromField& field, uint64_t value, std::span<uint8_t> image)
{
    FieldValue(field, image);  // the same bounds
    for (int i = 0; i < field.Width; ++i, value >>= 8)
        image[static_cast<size_t>(field.Address + i)] = static_cast<uint8_t>(value & 0xFF);
}

std::string DecimalText(uint64_t value)
{
    return std::to_string(value);
}

std::string HexText(const TEepromField& field, uint64_t value)
{
    char text[20];
    std::snprintf(text, sizeof text, "%0*llX", field.HexDigits > 0 ? field.HexDigits : 2,
                  static_cast<unsigned long long>(value));
    return text;
}

bool ParseCellText(std::string_view text, bool hex, uint64_t& value)
{
    int64_t converted = 0;
    if (!TryStrToInt64Runtime(hex ? "$" + std::string(text) : std::string(text), converted))
        return false;
    value = static_cast<uint64_t>(converted);
    return true;
}

uint64_t FieldMaximum(const TEepromField& field)
{
    return field.Width >= 8 ? UINT64_MAX : (uint64_t{1} << (8 * field.Width)) - 1;
}

TCellText ParseFieldText(std::string_view text, bool hex, const TEepromField& field, uint64_t& value)
{
    uint64_t converted = 0;
    if (ParseCellText(text, hex, converted)) {
        // A negative number converts to a value beyond every field.
        if (converted > FieldMaximum(field))
            return TCellText::TooLarge;
        value = converted;
        return TCellText::Value;
    }
    const bool digitsOnly = !text.empty() && std::all_of(text.begin(), text.end(), [hex](char c) {
        return hex ? HexDigitValue(c) >= 0 : c >= '0' && c <= '9';
    });
    return digitsOnly ? TCellText::TooLarge : TCellText::NotANumber;
}

std::string TooLargeText(const TEepromField& field, int row, bool hex)
{
    const std::string range = hex ? HexText(field, 0) + " to " + HexText(field, FieldMaximum(field)) + " hex"
                                  : "0 to " + DecimalText(FieldMaximum(field));
    return "Too large for row " + std::to_string(row) + ", " + field.Label + ": " + range;
}

std::string HexListingLine(int address, std::span<const uint8_t> bytes, std::string_view gap)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(address) & 0xFFFF);
    std::string line = text;
    line += gap;
    for (const uint8_t b : bytes) {
        std::snprintf(text, sizeof text, "%02X ", b);
        line += text;
    }
    return line;
}
