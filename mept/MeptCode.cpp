#include "mept/MeptCode.h"

#include <cctype>
#include <cmath>
#include <limits>

#include "support/Errors.h"
#include "support/NumberText.h"

namespace {

char Lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

}  // namespace

int HexSymbolValue(char c)
{
    return HexDigitValue(c);
}

double SymbolFrequencyOf(int value, double frequency, double spacing, double offFrequency)
{
    if (value < 0)
        return offFrequency;
    return (value - 8) * spacing + frequency;
}

int SymbolTimeMsOf(double seconds)
{
    // The longest symbol is sixteen symbol times (S F).
    constexpr double limit = std::numeric_limits<int>::max() / 16;
    const double ms = std::trunc(seconds * 1000);
    if (!std::isfinite(ms) || ms > limit || ms < -limit)
        throw RangeError("Time per Symbol out of range: " + FormatGeneral(seconds) + " s");
    return static_cast<int>(ms);
}

void TMeptDrawing::Clear()
{
    Red = false;
    PenWidth = GraphSize;
    DurationFactor = 1;
    GraphX = 0;
}

TMeptLine TMeptDrawing::DrawSymbol(int value)
{
    const int length = GraphSize * DurationFactor;
    const TMeptLine line{GraphX, GraphX + length, (17 - value) * GraphSize, PenWidth, Red};
    GraphX += length;
    return line;
}

std::vector<TMeptLine> DrawPreview(const std::string& code, TMeptDrawing& drawing)
{
    drawing.Clear();
    std::vector<TMeptLine> lines;
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = Lower(code[i]);
        if (c == 'p') {
            ++i;
        } else if (c == 's') {
            if (i + 1 < code.size()) {
                const int n = HexSymbolValue(code[++i]);
                if (n >= 0)
                    drawing.DurationFactor = n + 1;
            }
        } else if (c == 'q') {
            drawing.Red = true;
        } else if (c == 'x') {
            drawing.Skip();
        } else if (const int n = HexSymbolValue(c); n >= 0) {
            lines.push_back(drawing.DrawSymbol(n));
        }
    }
    return lines;
}

void TMeptTransmission::Start(const std::string& code)
{
    Finished = false;
    PendingCode = code;
}

char TMeptTransmission::Take()
{
    const char c = PendingCode.front();
    PendingCode.erase(0, 1);
    return c;
}

TMeptTick TMeptTransmission::Tick(TMeptDrawing& drawing)
{
    TMeptTick tick;
    while (!PendingCode.empty() && TransmitStep(drawing, tick) == TStepEnd::Continue) {
    }
    return tick;
}

TMeptTransmission::TStepEnd TMeptTransmission::TransmitStep(TMeptDrawing& drawing, TMeptTick& tick)
{
    const char c = Lower(Take());
    if (c == 'p') {
        if (!PendingCode.empty())
            Take();
        return TStepEnd::Continue;
    }
    if (c == 's') {
        if (!PendingCode.empty()) {
            const int n = HexSymbolValue(Take());
            if (n >= 0) {
                drawing.DurationFactor = n + 1;
                tick.IntervalFactor = n + 1;
            }
        }
        return TStepEnd::Continue;
    }
    if (c == 'x') {
        drawing.Skip();
        tick.Symbol = -1;
        return TStepEnd::EndsTick;
    }
    // A Q stops, then goes out as the off frequency once more, as any
    // character that is no symbol does.
    tick.Stop = c == 'q';
    const int n = HexSymbolValue(c);
    if (n >= 0)
        tick.Line = drawing.DrawSymbol(n);
    tick.Symbol = n;
    return TStepEnd::EndsTick;
}
