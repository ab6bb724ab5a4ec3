// Beacon codes as typed or stored: the preview and a transmission step
// through any text. A transmission draws what the preview drew until a Q
// stops it, every tick sends at most one symbol, and the timer interval a
// tick sets always fits the timer.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "mept/MeptCode.h"
#include "support/Errors.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string code(reinterpret_cast<const char*>(data), size);
    TMeptDrawing preview;
    preview.GraphSize = 1 + static_cast<int>(size % 20);  // the slider's range
    const std::vector<TMeptLine> lines = DrawPreview(code, preview);

    TMeptDrawing drawing;
    drawing.GraphSize = preview.GraphSize;
    drawing.Clear();
    TMeptTransmission transmission;
    transmission.Start(code);
    size_t drawn = 0;
    bool stopped = false;
    int longest = 1;
    // Each tick takes at least one character.
    for (size_t ticks = 0; !transmission.PendingCode.empty(); ++ticks) {
        Require(ticks <= code.size());
        const TMeptTick tick = transmission.Tick(drawing);
        Require(tick.IntervalFactor >= 0 && tick.IntervalFactor <= 16);
        longest = std::max(longest, tick.IntervalFactor);
        if (tick.Line && !stopped) {
            Require(drawn < lines.size() && *tick.Line == lines[drawn]);
            ++drawn;
        }
        if (tick.Symbol) {
            Require(*tick.Symbol >= -1 && *tick.Symbol <= 15);
            Require(std::isfinite(SymbolFrequencyOf(*tick.Symbol, 7040100, 1.5, 7.04e6)));
        }
        stopped = stopped || tick.Stop;
    }
    Require(stopped || drawn == lines.size());

    // Any time the window accepts gives timer intervals that fit the timer.
    const double times[] = {0.0, 0.001, 1.0, 60.0, -1.0, 1e5, 1e300, NAN, INFINITY};
    for (const double seconds : times) {
        try {
            const long long ms = SymbolTimeMsOf(seconds);
            Require(std::llabs(ms * longest) <= INT_MAX);
        } catch (const RangeError&) {
        }
    }
    return 0;
}
