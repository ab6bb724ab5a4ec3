#include "memory/UIntelHex.h"

#include "support/Errors.h"
#include "support/NumberText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

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

[[noreturn]] void TooLarge(const std::string& name)
{
    throw FileError("Cannot read file " + name + ": more than " + std::to_string(HexReadLimit >> 20) +
                    " MiB before its end record, too large for an Intel HEX file of 16-bit addresses");
}

// The lines of a file read with the system's calls: a directory or a read
// failure says the system's reason, a FIFO without a writer is an empty file
// rather than a wait, and a text that runs past the limit is refused.
class TFileLines {
public:
    explicit TFileLines(const std::string& fileName) : name_(fileName)
    {
        fd_ = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0)
            Fail("Cannot open file ");
        struct stat info {};
        if (::fstat(fd_, &info) != 0)
            Fail("Cannot read file ");
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            Fail("Cannot read file ");
        }
        // Only the open must not wait for a writer; reads then wait for data as usual.
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
    ~TFileLines()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    TFileLines(const TFileLines&) = delete;
    TFileLines& operator=(const TFileLines&) = delete;

    bool Next(std::string& line)
    {
        for (;;) {
            // Searched from where the last search ended: a line without end grows the buffer, not the work.
            const size_t end = buffer_.find('\n', std::max(pos_, scanned_));
            scanned_ = end == std::string::npos ? buffer_.size() : end;
            if (end != std::string::npos || (atEnd_ && pos_ < buffer_.size())) {
                const size_t stop = end == std::string::npos ? buffer_.size() : end;
                line.assign(buffer_, pos_, stop - pos_);
                pos_ = end == std::string::npos ? buffer_.size() : end + 1;
                return true;
            }
            if (atEnd_)
                return false;
            Fill();
        }
    }

private:
    [[noreturn]] void Fail(const char* what)
    {
        const int error = errno;
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        throw FileError(what + name_ + ": " + std::strerror(error));
    }

    void Fill()
    {
        buffer_.erase(0, pos_);
        scanned_ -= std::min(scanned_, pos_);
        pos_ = 0;
        char chunk[65536];
        ssize_t got = 0;
        do
            got = ::read(fd_, chunk, sizeof chunk);
        while (got < 0 && errno == EINTR);
        if (got < 0)
            Fail("Cannot read file ");
        atEnd_ = got == 0;
        consumed_ += got;
        if (consumed_ > HexReadLimit)
            TooLarge(name_);
        buffer_.append(chunk, static_cast<size_t>(got));
    }

    std::string name_;
    int fd_ = -1;
    std::string buffer_;
    size_t pos_ = 0;
    size_t scanned_ = 0;
    bool atEnd_ = false;
    long consumed_ = 0;
};

int ReadRecords(const std::function<bool(std::string&)>& nextLine, const std::string& fileName, int& lowest,
                int& span, std::span<uint8_t> buffer, THexReadInfo* info)
{
    lowest = 2147483647;
    int highestEnd = 0;
    int status = HexRecordData;
    std::string line;
    for (int lineNo = 1; status == HexRecordData && nextLine(line); ++lineNo) {
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
        if (info) {
            info->Line = lineNo;
            info->Type = line.size() >= 9 ? HexDigitValue(line[7]) * 16 + HexDigitValue(line[8]) : 0;
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
            if (info && count > 0)
                info->Records.push_back({lineNo, address, count});
        }
    }
    span = highestEnd - lowest;
    return status;
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

std::string IntelHexText(int startAddress, int count, std::span<const uint8_t> buffer)
{
    if (count < 0)
        throw RangeError("Negative byte count " + std::to_string(count));
    std::string text;
    for (int offset = 0; offset < count; offset += BytesPerRecord)
        text += FormatDataRecord(startAddress + offset, std::min(BytesPerRecord, count - offset), buffer) + "\r\n";
    return text + FormatEndRecord(0) + "\r\n";
}

void WriteIntelHex(const std::string& fileName, int startAddress, int count, std::span<const uint8_t> buffer)
{
    const std::string text = IntelHexText(startAddress, count, buffer);

    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw FileError("Cannot create file " + fileName + ": " + std::strerror(errno));
    for (size_t done = 0; done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : ENOSPC;
            ::close(fd);
            throw FileError("Cannot write file " + fileName + ": " + std::strerror(error));
        }
        done += static_cast<size_t>(wrote);
    }
    if (::close(fd) != 0)
        throw FileError("Cannot write file " + fileName + ": " + std::strerror(errno));
}

int ReadIntelHex(const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer, THexReadInfo* info)
{
    TFileLines file(fileName);
    return ReadRecords([&](std::string& line) { return file.Next(line); }, fileName, lowest, span, buffer, info);
}

int ReadIntelHex(std::istream& file, const std::string& fileName, int& lowest, int& span, std::span<uint8_t> buffer,
                 THexReadInfo* info)
{
    const int status = ReadRecords([&](std::string& line) { return static_cast<bool>(std::getline(file, line)); },
                                   fileName, lowest, span, buffer, info);
    if (file.bad())
        throw FileError("Cannot read file " + fileName);
    return status;
}

int ReadIntelHex(const THexLineReader& nextLine, const std::string& name, int& lowest, int& span,
                 std::span<uint8_t> buffer, THexReadInfo* info)
{
    long consumed = 0;
    return ReadRecords(
        [&](std::string& line) {
            if (!nextLine(line))
                return false;
            consumed += static_cast<long>(line.size()) + 1;
            if (consumed > HexReadLimit)
                TooLarge(name);
            return true;
        },
        name, lowest, span, buffer, info);
}

std::string HexStatusText(int status, int type)
{
    switch (status) {
    case HexNoStartCode:
        return "the line does not begin with ':'";
    case HexChecksumError:
        return "checksum mismatch";
    case HexUnknownType: {
        const char* name = type == 2 ? " (extended segment address)" : type == 4 ? " (extended linear address)" : "";
        char number[8];
        std::snprintf(number, sizeof number, "%02X", static_cast<unsigned>(type) & 0xFF);
        return std::string("record type ") + number + name +
               " is not supported: only 16-bit addresses (data and end records)";
    }
    default:
        return "status " + std::to_string(status);
    }
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
