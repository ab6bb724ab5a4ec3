#include "memory/HexImage.h"

#include <algorithm>
#include <cstdio>

#include "support/NumberText.h"

namespace {

constexpr size_t Named = 3;  // a message names a few; the count says the rest

std::string Address(int address, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, static_cast<unsigned>(address));
    return text;
}

std::string RangeText(int first, int last, int digits)
{
    return first == last ? Address(first, digits) : Address(first, digits) + "-" + Address(last, digits);
}

}  // namespace

THexImage THexImage::Load(const std::string& fileName, uint8_t fill)
{
    return Read(fileName, fill, [&](std::span<uint8_t> bytes, THexReadInfo& info) {
        int lowest = 0;
        int span = 0;
        return ReadIntelHex(fileName, lowest, span, bytes, &info);
    });
}

THexImage THexImage::Load(const THexLineReader& nextLine, const std::string& name, uint8_t fill)
{
    return Read(name, fill, [&](std::span<uint8_t> bytes, THexReadInfo& info) {
        int lowest = 0;
        int span = 0;
        return ReadIntelHex(nextLine, name, lowest, span, bytes, &info);
    });
}

THexImage THexImage::Read(const std::string& name, uint8_t fill,
                          const std::function<int(std::span<uint8_t> bytes, THexReadInfo& info)>& read)
{
    THexImage image;
    image.FileName = name;
    image.Bytes.assign(Size, fill);
    THexReadInfo info;
    const int status = read(image.Bytes, info);
    if (status < 0)
        throw HexContentError("Error reading " + name + " line " + std::to_string(info.Line) + ": " +
                             HexStatusText(status, info.Type));
    image.Records = std::move(info.Records);
    image.defined_.assign(Size, false);
    for (const THexRecord& r : image.Records)
        std::fill_n(image.defined_.begin() + r.Address, r.Count, true);
    return image;
}

bool THexImage::Defines(int address) const
{
    return address >= 0 && address < Size && defined_[static_cast<size_t>(address)];
}

bool THexImage::DefinesAny(int first, int last) const
{
    for (int a = std::max(first, 0); a <= last && a < Size; ++a)
        if (defined_[static_cast<size_t>(a)])
            return true;
    return false;
}

int THexImage::LastDefined() const
{
    const auto last = std::find(defined_.rbegin(), defined_.rend(), true);
    return last == defined_.rend() ? -1 : static_cast<int>(defined_.rend() - last) - 1;
}

std::vector<TAddressRange> THexImage::Missing(int first, int last) const
{
    std::vector<TAddressRange> missing;
    for (int a = first; a <= last; ++a) {
        if (Defines(a))
            continue;
        if (!missing.empty() && missing.back().Last == a - 1)
            missing.back().Last = a;
        else
            missing.push_back({a, a});
    }
    return missing;
}

std::vector<THexRecord> THexImage::RecordsOutside(int first, int last) const
{
    std::vector<THexRecord> outside;
    for (const THexRecord& r : Records)
        if (r.Address < first || r.Address + r.Count - 1 > last)
            outside.push_back(r);
    return outside;
}

std::string RangesText(const std::vector<TAddressRange>& ranges, int digits)
{
    std::string text;
    for (size_t i = 0; i < ranges.size() && i < Named; ++i)
        text += (i ? ", " : "") + RangeText(ranges[i].First, ranges[i].Last, digits);
    if (ranges.size() > Named)
        text += " and " + CountText(static_cast<long long>(ranges.size() - Named), "more range");
    return text;
}

std::string RecordsText(const std::vector<THexRecord>& records, int digits)
{
    std::string text;
    for (size_t i = 0; i < records.size() && i < Named; ++i)
        text += (i ? ", line " : "line ") + std::to_string(records[i].Line) + " (" +
                RangeText(records[i].Address, records[i].Address + records[i].Count - 1, digits) + ")";
    if (records.size() > Named)
        text += " and " + std::to_string(records.size() - Named) + " more";
    return text;
}
