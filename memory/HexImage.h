#pragma once
// An Intel HEX file read whole for one of the board's memories: its bytes,
// which addresses it defines and on which lines, and the texts that name what
// it leaves out or holds elsewhere. The callers decide what a file must cover.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "memory/UIntelHex.h"

struct TAddressRange {
    int First = 0;
    int Last = 0;

    bool operator==(const TAddressRange&) const = default;
};

class THexImage {
public:
    static constexpr int Size = 65536;  // what 16-bit record addresses reach

    // Reads the file; bytes it does not define hold fill. FileError (with
    // the system's reason) when it cannot be read, HexContentError for a record
    // the reader refuses, ConvertError / RangeError for a malformed line.
    static THexImage Load(const std::string& fileName, uint8_t fill);
    // The same from lines another reader delivers (standard input), named name.
    static THexImage Load(const THexLineReader& nextLine, const std::string& name, uint8_t fill);

    std::string FileName;
    std::vector<uint8_t> Bytes;       // Size bytes, by address
    std::vector<THexRecord> Records;  // the data records that define bytes

    bool Defines(int address) const;
    bool DefinesAny(int first, int last) const;
    // The highest address the file defines; -1 when none.
    int LastDefined() const;
    // The runs of addresses first .. last that the file does not define.
    std::vector<TAddressRange> Missing(int first, int last) const;
    // The records with a byte outside first .. last.
    std::vector<THexRecord> RecordsOutside(int first, int last) const;

private:
    // The image of what read (one of the ReadIntelHex forms) delivers.
    static THexImage Read(const std::string& name, uint8_t fill,
                          const std::function<int(std::span<uint8_t> bytes, THexReadInfo& info)>& read);
    std::vector<bool> defined_;
};

// "0x100-0x1FF, 0x1FE": addresses with at least `digits` hex digits; the
// first few ranges and how many more.
std::string RangesText(const std::vector<TAddressRange>& ranges, int digits);
// "line 3 (0x0300-0x030F), line 9 (0x0400-0x0400)", the first few and how many more.
std::string RecordsText(const std::vector<THexRecord>& records, int digits);
