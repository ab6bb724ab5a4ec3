#pragma once
// What a beacon would ask of the board, checked before it starts: every
// frequency its code sends and the off frequency must be ones the Si570 can
// produce. The keyer window and quorvexctl run the same check. No Qt.
#include <functional>
#include <string>
#include <vector>

// The symbol values one pass of the code sends, each once, in order of
// first use (-1: the off frequency).
std::vector<int> SymbolsSent(const std::string& code);

struct TBeaconPlan {
    std::string Code;
    double FrequencyHz = 0;  // symbol 8, before the output mapping
    double SpacingHz = 0;
    double OffHz = 0;
};

// "" when every symbol the code sends and the off frequency, mapped by
// output to the Si570's frequency in Hz, are finite, positive and found by
// the divider search with the crystal and speed grade given; else why not,
// naming the first one that fails.
std::string BeaconRefusal(const TBeaconPlan& plan, double fxtalMHz, int speedGrade,
                          const std::function<double(double)>& output);
