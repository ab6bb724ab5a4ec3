#pragma once
// Intel HEX files, 16-bit addresses: data records (00) and the end record (01).
// Buffers are indexed by record address; the last index is buffer.size() - 1.
#include <cstdint>
#include <functional>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "support/Errors.h"

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

// A data record as a read met it: where it stands in the file and in memory.
struct THexRecord {
    int Line = 0;
    int Address = 0;
    int Count = 0;
};

// What a read met besides the bytes, for callers that check coverage or
// report where a read stopped.
struct THexReadInfo {
    int Line = 0;  // the line of the last record read: the failing one for a negative status
    int Type = 0;  // that record's type field
    std::vector<THexRecord> Records;  // data records that define bytes, in file order
};

// What a file holds cannot be used: a record the reader refuses (a negative
// status: "Error reading <file> line <n>: <fault>"), or records that do not
// fit the memory they are for. The windows show it in their status line.
class HexContentError : public FileError {
public:
    using FileError::FileError;
};

// "checksum mismatch", "record type 04 (extended linear address) is not
// supported: ...": what a negative status means.
std::string HexStatusText(int status, int type);

// Records of 16 bytes (a shorter last one for a remainder) and the end record,
// lines ended by CR LF. RangeError as FormatDataRecord.
std::string IntelHexText(int startAddress, int count, std::span<const uint8_t> buffer);
// IntelHexText written to a file. FileError when the file cannot be created or
// written; nothing is written when a record cannot be formatted.
void WriteIntelHex(const std::string& fileName, int startAddress, int count, std::span<const uint8_t> buffer);

// Reads records into buffer until an end record or a negative status, which
// it returns. lowest is the lowest data record address (2147483647 when none)
// and lowest + span the highest end address. FileError, with the system's
// reason, when the file cannot be read, is a directory, or runs past
// HexReadLimit bytes before its end record; a FIFO without a writer reads as
// empty instead of waiting. ConvertError / RangeError of a line carry
// "<fileName> line <n>: ".
int ReadIntelHex(const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer,
                 THexReadInfo* info = nullptr);
// The same from an open stream; fileName only names it in the errors.
int ReadIntelHex(std::istream& file, const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer,
                 THexReadInfo* info = nullptr);

// The same from lines another reader delivers (standard input), without their
// ends; name names them in the errors. FileError when they run past
// HexReadLimit bytes before the end record.
using THexLineReader = std::function<bool(std::string& line)>;
int ReadIntelHex(const THexLineReader& nextLine, const std::string& name, int& lowest, int& span,
                 std::span<uint8_t> buffer, THexReadInfo* info = nullptr);

// Far more than the text of 64 KiB in one-byte records: what is longer is no
// image of 16-bit addresses (or a device that never ends).
constexpr long HexReadLimit = 16L << 20;

// One record: stores the data bytes of a data record as they are read (before
// the checksum test). ConvertError for an empty line or a field that is short
// or not hexadecimal; RangeError for a data byte beyond the buffer, raised
// before it is stored.
int ParseIntelHexLine(std::string_view line, std::span<uint8_t> buffer, int& address, int& count);
