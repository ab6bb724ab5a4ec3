#pragma once
// A firmware file as the self-flasher and quorvexctl use it: checked against
// the chip's flash and the flashable start before anything is sent, and
// compared with the flash only where it defines bytes. No Qt.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "memory/HexImage.h"

class TFirmwareFile {
public:
    // Undefined bytes are 0xFF. HexContentError naming the last address and
    // its records when the file reaches past the FlashSize bytes of flash;
    // the reading errors of THexImage::Load.
    static TFirmwareFile Load(const std::string& fileName);
    // The same for a file already read (its bytes undefined 0xFF).
    static TFirmwareFile Of(THexImage hex);

    THexImage Hex;

    // Bytes 0 up to the last one the file defines, 0xFF where it defines none.
    std::vector<uint8_t> Image() const;
    // Image() without its trailing 0xFF bytes: what programming sends.
    // HexContentError when nothing is left at or above start.
    std::vector<uint8_t> ProgramImage(int start) const;
    // HexContentError when the file defines no address from start on.
    void CheckVerifiable(int start) const;
};

// A comparison of file and flash over first .. last.
struct TFlashComparison {
    int Compared = 0;
    int LastCompared = -1;
    std::vector<int> Differing;
};
// definedOnly: only the addresses the file defines; else every address,
// 0xFF where the file defines none. Addresses beyond flash are not compared.
TFlashComparison CompareFlash(const THexImage& file, std::span<const uint8_t> flash, int first, int last,
                              bool definedOnly);
// "Compared 150 bytes the file defines, 0x1000 to 0x1095: 2 errors".
std::string ComparisonSummary(const TFlashComparison& comparison, int first, bool definedOnly);
