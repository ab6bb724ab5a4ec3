#pragma once
// An Intel HEX file as an image of the EEPROM's bytes 0 .. size-1: what it
// leaves out and what it holds beyond, in the words the editors and
// quorvexctl use. A file that defines none of those bytes is refused.
#include <string>
#include <vector>

#include "memory/HexImage.h"

struct TEepromFile {
    int Size = 0;                         // the bytes the file is for
    THexImage Hex;                        // undefined bytes are 00
    std::vector<TAddressRange> Missing;   // of 0 .. size-1
    std::vector<THexRecord> Outside;      // records reaching beyond size-1

    // "0x100-0x1FF, 0x1F0" (the first few ranges).
    std::string MissingText() const;
    // "beyond 0x1FF, not loaded: line 33 (0x200-0x20F)"; "" without such records.
    std::string OutsideText(const char* verb) const;
    // "not in the file, set to 00: 0x100-0x1FF" and OutsideText, joined by
    // "; "; "" for a file that covers exactly the bytes.
    std::string GapsText(const char* missingVerb, const char* outsideVerb) const;
};

// HexContentError "<file> defines no byte of the EEPROM's 0x000-0x1FF; ..."
// when the file defines none of them; the reading errors of THexImage::Load.
TEepromFile LoadEepromFile(const std::string& fileName, int size);
// The same for a file already read (its bytes undefined 00).
TEepromFile EepromFileOf(THexImage hex, int size);
