// Intel HEX files as the editors, the flasher and quorvexctl read them: any
// text either loads inside the buffer or raises the errors those callers
// catch. A loaded record written out again reads back the same.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "memory/UIntelHex.h"
#include "support/Errors.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// The 64 KiB the callers read into, and smaller buffers for the bounds.
constexpr size_t BufferSizes[] = {65536, 512, 256, 16};

void RecordRoundTrip(const std::vector<uint8_t>& buffer, int lowest, int span)
{
    if (static_cast<size_t>(lowest) >= buffer.size())
        return;  // only empty records there
    const int count = std::min({span, 16, static_cast<int>(buffer.size()) - lowest});
    if (count <= 0)
        return;
    const std::string record = FormatDataRecord(lowest, count, buffer);
    std::vector<uint8_t> copy(buffer.size(), 0);
    int address = 0;
    int read = 0;
    Require(ParseIntelHexLine(record, copy, address, read) == HexRecordData);
    Require(address == lowest && read == count);
    Require(std::equal(copy.begin() + lowest, copy.begin() + lowest + count, buffer.begin() + lowest));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    // Kept between runs: a fresh 64 KiB allocation each time would be most of the work.
    static std::vector<uint8_t> buffers[std::size(BufferSizes)];
    for (size_t i = 0; i < std::size(BufferSizes); ++i) {
        const size_t bufferSize = BufferSizes[i];
        std::vector<uint8_t>& buffer = buffers[i];
        buffer.assign(bufferSize, 0xFF);
        std::istringstream file(text);
        int lowest = 0;
        int span = 0;
        try {
            if (ReadIntelHex(file, "fuzz.hex", lowest, span, buffer) < 0)
                continue;
        } catch (const ConvertError&) {
            continue;
        } catch (const RangeError&) {
            continue;
        }
        if (lowest == 2147483647) {
            Require(lowest + span == 0);  // no data record: an empty image
            continue;
        }
        // Records hold 16-bit addresses and no byte lands outside the buffer; an
        // empty record may name any address.
        Require(lowest >= 0 && lowest <= 0xFFFF && span >= 0 && lowest + span <= 65536);
        RecordRoundTrip(buffer, lowest, span);
    }
    return 0;
}
