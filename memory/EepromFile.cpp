#include "memory/EepromFile.h"

#include <utility>

namespace {

constexpr int Digits = 3;  // 0x1FF

std::string AddressText(int address)
{
    return RangesText({{address, address}}, Digits);
}

}  // namespace

std::string TEepromFile::MissingText() const
{
    return RangesText(Missing, Digits);
}

std::string TEepromFile::OutsideText(const char* verb) const
{
    if (Outside.empty())
        return "";
    return "beyond " + AddressText(Size - 1) + ", " + verb + ": " + RecordsText(Outside, Digits);
}

std::string TEepromFile::GapsText(const char* missingVerb, const char* outsideVerb) const
{
    std::string text;
    if (!Missing.empty())
        text = std::string("not in the file, ") + missingVerb + ": " + MissingText();
    if (!Outside.empty())
        text += (text.empty() ? "" : "; ") + OutsideText(outsideVerb);
    return text;
}

TEepromFile LoadEepromFile(const std::string& fileName, int size)
{
    return EepromFileOf(THexImage::Load(fileName, 0x00), size);
}

TEepromFile EepromFileOf(THexImage hex, int size)
{
    TEepromFile file{size, std::move(hex), {}, {}};
    if (!file.Hex.DefinesAny(0, size - 1)) {
        const std::string where = file.Hex.Records.empty()
                                      ? ": it holds no data"
                                      : "; its records lie beyond it: " + RecordsText(file.Hex.Records, Digits);
        throw HexContentError(file.Hex.FileName + " defines no byte of the EEPROM's " +
                              RangesText({{0, size - 1}}, Digits) + where);
    }
    file.Missing = file.Hex.Missing(0, size - 1);
    file.Outside = file.Hex.RecordsOutside(0, size - 1);
    return file;
}
