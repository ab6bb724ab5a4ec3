#pragma once
// Intel HEX files, 16-bit addresses: data records (00) and the end record (01).
// Buffers are indexed by record address; the last index is buffer.size() - 1.
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>

// Record status, and the status of a whole read.
constexpr int HexRecordData = 0;       // data record; for a read: end of file without end record
constexpr int HexRecordEnd = 1;        // end record; the rest of the file is not read
constexpr int HexRecordStartSegment = 3;  // start address records: no data, skipped by a read
constexpr int HexRecordStartLinear = 5;
constexpr int HexNoStartCode = -1;     // line does not begin with ":"
constexpr int HexUnknownType = -2;     // record type other than 00 and 01
constexpr int HexChecksumError = -3;

// ":LLAAAA00DD..CC" in upper case. RangeError for an address or count that the
// record cannot hold or for bytes outside the buffer.
std::string FormatDataRecord(int address, int count, std::span<const uint8_t> buffer);
std::string FormatEndRecord(int address);

// Records of 16 bytes (a shorter last one for a remainder) and the end record,
// lines ended by CR LF. FileError when the file cannot be created or written;
// nothing is written when a record cannot be formatted.
void WriteIntelHex(const std::string& fileName, int startAddress, int count, std::span<const uint8_t> buffer);

// Reads records into buffer until an end record or a negative status, which
// it returns. lowest is the lowest data record address (2147483647 when none)
// and lowest + span the highest end address. FileError when the file cannot
// be read; ConvertError / RangeError of a line carry "<fileName> line <n>: ".
int ReadIntelHex(const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer);
// The same from an open stream; fileName only names it in the errors.
int ReadIntelHex(std::istream& file, const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer);

// One record: stores the data bytes of a data record as they are read (before
// the checksum test). ConvertError for an empty line or a field that is short
// or not hexadecimal; RangeError for a data byte beyond the buffer, raised
// before it is stored.
int ParseIntelHexLine(std::string_view line, std::span<uint8_t> buffer, int& address, int& count);
