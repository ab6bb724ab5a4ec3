#pragma once
// The address field's text: a hexadecimal number of at most 32 bits. No Qt.
#include <cstdint>
#include <string_view>

// The highest 7-bit I2C address.
constexpr uint32_t MaxI2CAddress = 0x7F;

// Hex digits of either case, nothing else (no sign, prefix or blanks); false
// when empty or above 0xFFFFFFFF, value then unchanged.
bool TryParseHex32(std::string_view text, uint32_t& value);
// At least one character, each a hex digit of either case.
bool IsHexDigits(std::string_view text);
