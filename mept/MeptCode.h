#pragma once
// The beacon code and its stepping, without a window: what each symbol sends,
// how long it lasts and the line it leaves in the picture. The window and its
// timer only drive this.
#include <optional>
#include <string>
#include <vector>

// The code the program starts with: "VVV" in dotted lettering, a stepped
// sweep up and down, a pause.
inline constexpr const char* DefaultMeptCode =
    "DXBX9X7X5X3X5X7X9XBXDXXDXBX9X7X5X3X5X7X9XBXDXXDXBX9X7X5X3X5X7X9XBXDXXX"
    "S10123456789ABCDEFS0FEDCBA9876543210XXXXXXXXXXX";

// 0..15 for a hex digit of either case, -1 for anything else (off).
int HexSymbolValue(char c);

// The frequency of a symbol before multiplier and offset: value 8 is the
// displayed frequency, each step one spacing; -1 is the off frequency.
double SymbolFrequencyOf(int value, double frequency, double spacing, double offFrequency);

// Seconds per symbol as whole milliseconds, truncated toward zero. RangeError
// when not finite or so long that sixteen symbol times overflow the timer.
int SymbolTimeMsOf(double seconds);

// One symbol's line: from X1 to X2 at height Y, Width pixels thick.
struct TMeptLine {
    int X1 = 0;
    int X2 = 0;
    int Y = 0;
    int Width = 1;
    bool Red = false;

    bool operator==(const TMeptLine&) const = default;
};

// The drawing state that the preview and the transmission share: one picture,
// one pen, one x position.
struct TMeptDrawing {
    int GraphSize = 0;       // pen width, pixels per symbol time and per symbol value
    int DurationFactor = 1;  // symbol times per following symbol
    int GraphX = 0;          // x of the next symbol
    int PenWidth = 1;
    bool Red = false;        // the pen after a Q

    int PictureHeight() const { return 19 * GraphSize; }
    // A fresh picture: green pen as wide as a symbol value, back at the left.
    void Clear();
    // The line of a symbol of value 0..15; moves on by its length.
    TMeptLine DrawSymbol(int value);
    // A gap of the current symbol length.
    void Skip() { GraphX += GraphSize * DurationFactor; }
};

// The whole code drawn from the left on a cleared picture.
std::vector<TMeptLine> DrawPreview(const std::string& code, TMeptDrawing& drawing);

// What one timer tick does, in this order: change the symbol length, stop at a
// Q, draw the symbol's line, send the symbol.
struct TMeptTick {
    int IntervalFactor = 0;  // > 0: the timer interval becomes this many symbol times
    bool Stop = false;       // a Q: the transmission ends, the button is released
    std::optional<TMeptLine> Line;
    std::optional<int> Symbol;  // the value sent (-1: off); none when the code ran out
};

// The part of the code a running transmission has not sent yet.
class TMeptTransmission {
public:
    std::string PendingCode;
    bool Finished = false;  // the code ran out; the next tick starts it again

    void Start(const std::string& code);
    // Consumes commands up to and including the one that sends a symbol (or
    // until the code runs out).
    TMeptTick Tick(TMeptDrawing& drawing);

private:
    enum class TStepEnd { Continue, EndsTick };
    TStepEnd TransmitStep(TMeptDrawing& drawing, TMeptTick& tick);
    char Take();
};
