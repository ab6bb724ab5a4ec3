// The number texts an operator types or a settings file holds: the float
// reader, the runtime's 32- and 64-bit integer conversions and the EEPROM
// grid's cell conversion. Nothing may raise but the conversion error, and
// what the program writes reads back as the value it wrote.
#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "memory/EepromFields.h"
#include "support/Errors.h"
#include "support/NumberText.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// 15 significant digits are written; a normal number reads back that close.
void ReadsBackClose(const std::string& text, double v)
{
    double back = 0;
    Require(TryParseFloat(text, back));
    Require(std::fabs(back - v) <= std::fabs(v) * 1e-14);
}

void FloatText(const std::string& text)
{
    double v = 0;
    const bool valid = TryParseFloat(text, v);
    try {
        Require(StrToFloat(text) == v && valid);
    } catch (const ConvertError&) {
        Require(!valid);
    }
    if (!valid)
        return;
    Require(std::isfinite(v));
    if (v == 0 || std::fabs(v) >= DBL_MIN) {
        ReadsBackClose(FormatGeneral(v), v);
        ReadsBackClose(FormatSettingsFloat(v), v);
    }
}

void IntegerText(const std::string& text)
{
    int32_t v32 = 0;
    int64_t v64 = 0;
    const bool valid64 = TryStrToInt64Runtime(text, v64);
    if (TryStrToIntRuntime(text, v32))
        Require(valid64 && v64 == v32);
}

void CellText(const std::string& text)
{
    // One field of each width the grids have.
    static const TEepromField fields[] = {{"byte", 0, 1, 2}, {"word", 4, 4, 8}, {"48 bits", 8, 6, 12}, {"limit", 14, 4, 0}};
    for (const bool hex : {false, true}) {
        uint64_t value = 0;
        if (!ParseCellText(text, hex, value))
            continue;
        uint64_t back = 0;
        Require(ParseCellText(DecimalText(value), false, back) || value > INT64_MAX);
        for (const TEepromField& field : fields) {
            std::array<uint8_t, 32> image{};
            StoreField(field, value, image);
            const uint64_t mask = field.Width == 8 ? ~0ULL : (1ULL << (8 * field.Width)) - 1;
            const uint64_t stored = FieldValue(field, image);
            Require(stored == (value & mask));
            Require(ParseCellText(HexText(field, stored), true, back) && back == stored);
            Require(ParseCellText(DecimalText(stored), false, back) && back == stored);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    FloatText(text);
    IntegerText(text);
    CellText(text);
    return 0;
}
