#pragma once
// Intel HEX files a user may hand the program by mistake: record texts for
// tables of hostile files, and the files that are not plain text at all (a
// directory, a FIFO without a writer, an unreadable file, a huge one).
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

// ":LLAAAATT<data>CC" and CR LF, with the checksum right unless told by how much to miss it.
inline std::string HexLine(int address, const std::vector<uint8_t>& data, int type = 0, int checksumOff = 0)
{
    char text[16];
    std::snprintf(text, sizeof text, ":%02X%04X%02X", static_cast<unsigned>(data.size()),
                  static_cast<unsigned>(address), static_cast<unsigned>(type));
    std::string line = text;
    unsigned sum = static_cast<unsigned>(data.size()) + (static_cast<unsigned>(address) >> 8) +
                   (static_cast<unsigned>(address) & 0xFF) + static_cast<unsigned>(type);
    for (const uint8_t b : data) {
        std::snprintf(text, sizeof text, "%02X", b);
        line += text;
        sum += b;
    }
    std::snprintf(text, sizeof text, "%02X\r\n", (0x100 - (sum & 0xFF) + checksumOff) & 0xFF);
    return line + text;
}

// Records of 16 bytes of `value` covering first .. first + count - 1.
inline std::string HexLines(int first, int count, uint8_t value)
{
    std::string text;
    for (int a = first; a < first + count; a += 16)
        text += HexLine(a, std::vector<uint8_t>(static_cast<size_t>(std::min(16, first + count - a)), value));
    return text;
}

inline const std::string HexEnd = ":00000001FF\r\n";

inline std::string WriteText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
}

// A FIFO nobody writes to: opening it must not wait for a writer.
inline std::string MakeFifo(const std::filesystem::path& path)
{
    ::mkfifo(path.c_str(), 0600);
    return path.string();
}

// A file this user cannot read. Root reads every file mode, so then one whose
// reading fails in the system: the process's own memory at address 0.
inline std::string MakeUnreadable(const std::filesystem::path& path)
{
    if (::geteuid() == 0)
        return "/proc/self/mem";
    WriteText(path, HexEnd);
    ::chmod(path.c_str(), 0);
    return path.string();
}

// What the error for MakeUnreadable's file says.
inline std::string UnreadableError(const std::string& path)
{
    return path == "/proc/self/mem" ? "Cannot read file " + path + ": Input/output error"
                                    : "Cannot open file " + path + ": Permission denied";
}

// A gigabyte of zero bytes, none of them a line end (sparse: it takes no disk).
inline std::string MakeHuge(const std::filesystem::path& path)
{
    WriteText(path, "");
    std::filesystem::resize_file(path, 1ULL << 30);
    return path.string();
}

inline const std::string HugeError = ": more than 16 MiB before its end record, too large for an Intel HEX file of "
                                     "16-bit addresses";
