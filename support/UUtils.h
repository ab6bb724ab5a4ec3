#pragma once
// Key filter of the numeric fields and the readers of the settings file.
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>
#include <string_view>

constexpr uint8_t KeyClassHex = 0;
constexpr uint8_t KeyClassDigits = 1;
constexpr uint8_t KeyClassDecimal = 2;
constexpr uint8_t KeyClassSignedDecimal = 3;
constexpr uint8_t KeyClassFloat = 4;

// Sets Key to 0 when it is outside the class's characters. Backspace and
// Enter always pass; a Class above 4 lets everything through. Sender is unused.
void FilterKey(const void* Sender, char16_t& Key, uint8_t Class);

// True when name is not empty and names a file (not a directory) that opens for reading.
bool FileReadable(const std::string& name);

// Opens name for reading into file when FileReadable(name).
bool OpenTextForReading(std::ifstream& file, const std::string& name);

// Forward scan: read lines from where the previous call stopped until one
// holds key; the value is the rest of that line after the key's first
// occurrence. False when the file ends first. A stream read error raises FileError.
bool ReadStringAfterKey(std::istream& file, std::string_view key, std::string& value);

// As ReadStringAfterKey, then TryStrToIntRuntime: value is assigned whenever
// the key is found, and the result tells whether it was a valid integer.
bool ReadIntegerAfterKey(std::istream& file, std::string_view key, int32_t& value);

// As ReadStringAfterKey, then TryParseFloat: value unchanged when invalid.
bool ReadFloatAfterKey(std::istream& file, std::string_view key, double& value);
