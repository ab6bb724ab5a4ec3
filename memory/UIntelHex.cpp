#include "memory/UIntelHex.h"

#include "support/Errors.h"
#include "support/NumberText.h"

#include <algorithm>

#include <fstream>

namespace {

constexpr int BytesPerRecord = 16;

void AppendHex(std::string& out, unsigned value, int digits)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
        out += Digits[(value >> shift) & 15];
}

void CheckRecordFields(int address, int count)
{
    if (address < 0 || address > 0xFFFF)
        throw RangeError("Record address " + std::to_string(address) + " outside 0..65535");
    if (count < 0 || count > 0xFF)
        throw RangeError("Record byte count " + std::to_string(count) + " outside 0..255");
}

std::string FormatRecord(int address, int type, std::span<const uint8_t> data)
{
    std::string line = ":";
    const auto count = static_cast<unsigned>(data.size());
    const auto addr = static_cast<unsigned>(address);
    unsigned sum = count + (addr >> 8) + (addr & 0xFF) + static_cast<unsigned>(type);
    AppendHex(line, count, 2);
    AppendHex(line, addr, 4);
    AppendHex(line, static_cast<unsigned>(type), 2);
    for (uint8_t b : data) {
        AppendHex(line, b, 2);
        sum += b;
    }
    AppendHex(line, (0x100 - (sum & 0xFF)) & 0xFF, 2);
    return line;
}

// The field at 1-based position pos: exactly len hexadecimal digits.
unsigned HexField(std::string_view line, size_t pos, size_t len)
{
    const std::string_view field = pos <= line.size() ? line.substr(pos - 1, len) : std::string_view{};
    bool valid = field.size() == len;
    unsigned value = 0;
    for (size_t i = 0; valid && i < field.size(); ++i) {
        const int digit = HexDigitValue(field[i]);
        valid = digit >= 0;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    if (!valid)
        throw ConvertError("'" + std::string(field) + "' at position " + std::to_string(pos) + " is not " +
                           std::to_string(len) + " hexadecimal digits");
    return value;
}

}  // namespace

std::string FormatDataRecord(int address, int count, std::span<const uint8_t> buffer)
{
    CheckRecordFields(address, count);
    if (static_cast<size_t>(address) + static_cast<size_t>(count) > buffer.size())
        throw RangeError("Record bytes " + std::to_string(address) + ".." + std::to_string(address + count - 1) +
                         " beyond the last index " + std::to_string(static_cast<long>(buffer.size()) - 1));
    return FormatRecord(address, HexRecordData, buffer.subspan(static_cast<size_t>(address), static_cast<size_t>(count)));
}

std::string FormatEndRecord(int address)
{
    CheckRecordFields(address, 0);
    return FormatRecord(address, HexRecordEnd, {});
}

void WriteIntelHex(const std::string& fileName, int startAddress, int count, std::span<const uint8_t> buffer)
{
    if (count < 0)
        throw RangeError("Negative byte count " + std::to_string(count));
    std::string text;
    for (int offset = 0; offset < count; offset += BytesPerRecord)
        text += FormatDataRecord(startAddress + offset, std::min(BytesPerRecord, count - offset), buffer) + "\r\n";
    text += FormatEndRecord(0) + "\r\n";

    std::ofstream file(fileName, std::ios::binary | std::ios::trunc);
    if (!file.is_open())
        throw FileError("Cannot create file " + fileName);
    file.write(text.data(), static_cast<std::streamsize>(text.size()));
    file.close();
    if (file.fail())
        throw FileError("Cannot write file " + fileName);
}

int ReadIntelHex(const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer)
{
    std::ifstream file(fileName, std::ios::binary);
    if (!file.is_open())
        throw FileError("Cannot open file " + fileName);
    return ReadIntelHex(file, fileName, lowest, span, buffer);
}

int ReadIntelHex(std::istream& file, const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer)
{
    lowest = 2147483647;
    int highestEnd = 0;
    int status = HexRecordData;
    std::string line;
    for (int lineNo = 1; status == HexRecordData && std::getline(file, line); ++lineNo) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto where = [&] { return fileName + " line " + std::to_string(lineNo) + ": "; };
        int address = 0;
        int count = 0;
        try {
            status = ParseIntelHexLine(line, buffer, address, count);
        } catch (const ConvertError& e) {
            throw ConvertError(where() + e.what());
        } catch (const RangeError& e) {
            throw RangeError(where() + e.what());
        }
        // Where execution starts is no content: the toolchain writes it for
        // code linked above address 0, and such a file must still load.
        if (status == HexRecordStartSegment || status == HexRecordStartLinear) {
            status = HexRecordData;
            continue;
        }
        if (status == HexRecordData) {
            lowest = std::min(lowest, address);
            highestEnd = std::max(highestEnd, address + count);
        }
    }
    if (file.bad())
        throw FileError("Cannot read file " + fileName);
    span = highestEnd - lowest;
    return status;
}

int ParseIntelHexLine(std::string_view line, std::span<uint8_t> buffer, int& address, int& count)
{
    if (line.empty())
        throw ConvertError("Empty line is not a record");
    if (line[0] != ':')
        return HexNoStartCode;
    const unsigned length = HexField(line, 2, 2);
    const unsigned addr = HexField(line, 4, 4);
    const unsigned type = HexField(line, 8, 2);
    unsigned sum = length + (addr & 0xFF) + (addr >> 8) + type;
    unsigned checksum = 0;
    if (type == HexRecordData) {
        for (unsigned i = 0; i < length; ++i) {
            const unsigned byte = HexField(line, 10 + 2 * i, 2);
            const size_t index = addr + i;
            if (index >= buffer.size())
                throw RangeError("Data byte address " + std::to_string(index) + " beyond the last index " +
                                 std::to_string(static_cast<long>(buffer.size()) - 1));
            buffer[index] = static_cast<uint8_t>(byte);
            sum += byte;
        }
        checksum = HexField(line, 10 + 2 * length, 2);
        address = static_cast<int>(addr);
        count = static_cast<int>(length);
    } else if (type == HexRecordEnd) {
        checksum = HexField(line, 10, 2);
        address = static_cast<int>(addr);
        count = 0;
    } else if (type == HexRecordStartSegment || type == HexRecordStartLinear) {
        for (unsigned i = 0; i <= length; ++i)  // the address bytes, then the checksum
            (i < length ? sum : checksum) += HexField(line, 10 + 2 * i, 2);
        address = static_cast<int>(addr);
        count = 0;
    } else {
        return HexUnknownType;
    }
    if ((sum + checksum) % 256 != 0)
        return HexChecksumError;
    return static_cast<int>(type);
}
