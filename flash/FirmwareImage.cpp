#include "flash/FirmwareImage.h"

#include <algorithm>
#include <utility>

#include "support/NumberText.h"
#include "usb/FlashCommands.h"

namespace {

constexpr int Digits = 4;

std::string AddressText(int address)
{
    return RangesText({{address, address}}, Digits);
}

}  // namespace

TFirmwareFile TFirmwareFile::Load(const std::string& fileName)
{
    return Of(THexImage::Load(fileName, 0xFF));
}

TFirmwareFile TFirmwareFile::Of(THexImage hex)
{
    TFirmwareFile file{std::move(hex)};
    const std::vector<THexRecord> beyond = file.Hex.RecordsOutside(0, FlashSize - 1);
    if (!beyond.empty())
        throw HexContentError(file.Hex.FileName + " reaches past the chip's " + std::to_string(FlashSize / 1024) +
                              " KiB of flash (" + RangesText({{0, FlashSize - 1}}, Digits) + "): its last address is " +
                              AddressText(file.Hex.LastDefined()) + ", on " + RecordsText(beyond, Digits));
    return file;
}

std::vector<uint8_t> TFirmwareFile::Image() const
{
    return {Hex.Bytes.begin(), Hex.Bytes.begin() + (Hex.LastDefined() + 1)};
}

std::vector<uint8_t> TFirmwareFile::ProgramImage(int start) const
{
    std::vector<uint8_t> image = Image();
    image.erase(std::find_if(image.rbegin(), image.rend(), [](uint8_t b) { return b != 0xFF; }).base(), image.end());
    if (static_cast<int>(image.size()) <= start)
        throw HexContentError(Hex.FileName + " holds nothing to program at or above the flashable start " +
                              AddressText(start));
    return image;
}

void TFirmwareFile::CheckVerifiable(int start) const
{
    if (!Hex.DefinesAny(start, FlashSize - 1))
        throw HexContentError(Hex.FileName + " defines nothing at or above the flashable start " +
                              AddressText(start) + " to compare");
}

TFlashComparison CompareFlash(const THexImage& file, std::span<const uint8_t> flash, int first, int last,
                              bool definedOnly)
{
    TFlashComparison result;
    last = std::min(last, static_cast<int>(flash.size()) - 1);
    for (int a = std::max(first, 0); a <= last; ++a) {
        if (definedOnly && !file.Defines(a))
            continue;
        const uint8_t expected = file.Defines(a) ? file.Bytes[static_cast<size_t>(a)] : 0xFF;
        if (expected != flash[static_cast<size_t>(a)])
            result.Differing.push_back(a);
        ++result.Compared;
        result.LastCompared = a;
    }
    return result;
}

std::string ComparisonSummary(const TFlashComparison& comparison, int first, bool definedOnly)
{
    std::string text = "Compared " + CountText(comparison.Compared, "byte");
    if (definedOnly)
        text += " the file defines";
    if (comparison.Compared > 0)
        text += ", " + AddressText(first) + " to " + AddressText(comparison.LastCompared);
    return text + ": " + CountText(static_cast<long long>(comparison.Differing.size()), "error");
}
