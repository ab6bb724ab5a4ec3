#pragma once
// The fields of the board's EEPROM as the editors show them: which bytes a
// grid row stands for, how its value reads and how an edited value is stored.
// Multi-byte fields are little-endian and unsigned.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

constexpr int EepromBytes = 512;

struct TEepromField {
    std::string Label;
    int Address = 0;
    int Width = 1;      // bytes: 1, 4 or 6
    int HexDigits = 2;  // zero-filled width of the hex text; 0: as few digits as the value needs, at least 2
};
using TEepromRows = std::vector<TEepromField>;

// The standard firmware's fields (87 rows) and the filter-board firmware's (29 rows).
const TEepromRows& StandardEepromRows();
const TEepromRows& FilterBoardEepromRows();

// RangeError when the field reaches outside the image.
uint64_t FieldValue(const TEepromField& field, std::span<const uint8_t> image);
// Keeps the low Width bytes of value.
void StoreField(const TEepromField& field, uint64_t value, std::span<uint8_t> image);

std::string DecimalText(uint64_t value);
std::string HexText(const TEepromField& field, uint64_t value);

// A cell's text as the runtime's 64-bit conversion reads it: hex cells as if
// "$" stood in front. False for an empty text, a character outside the base
// or a value beyond 64 bits signed.
bool ParseCellText(std::string_view text, bool hex, uint64_t& value);

// How a cell's text stands to its field: a value the field holds, no number
// at all, or a number too large for the field's bytes.
enum class TCellText { Value, NotANumber, TooLarge };
// ParseCellText, with a value beyond the field's bytes (also one beyond the
// conversion's 64 bits) TooLarge; value is set only for Value.
TCellText ParseFieldText(std::string_view text, bool hex, const TEepromField& field, uint64_t& value);
// 2^(8 Width) - 1.
uint64_t FieldMaximum(const TEepromField& field);
// "Too large for row 1, [0x00] ...: 0 to 255" (hex: "00 to FF hex").
std::string TooLargeText(const TEepromField& field, int row, bool hex);

// "0010  00 11 22 ... FF " : the address, the gap, each byte and a blank.
std::string HexListingLine(int address, std::span<const uint8_t> bytes, std::string_view gap = "  ");
