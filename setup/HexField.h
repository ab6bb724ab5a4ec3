#pragma once
// The address field's text: a hexadecimal number of at most 32 bits. No Qt.
#include <cstdint>
#include <string_view>

// Hex digits of either case, nothing else (no sign, prefix or blanks); false
// when empty or above 0xFFFFFFFF, value then unchanged.
bool TryParseHex32(std::string_view text, uint32_t& value);
