#pragma once
// A WSPR beacon message: callsign, locator and power, checked against what
// the protocol can carry, and the transmissions that carry it. A standard
// callsign with a 4-character locator fits one transmission; a 6-character
// locator or a compound callsign (prefix or suffix) needs two, sent in turn.
// No Qt here.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "support/Errors.h"

// A message field that cannot be sent. The text names the field, the value
// and what is allowed.
class WsprError : public QuorvexError {
public:
    using QuorvexError::QuorvexError;
};

struct TWsprMessage {
    std::string Call;     // upper case, as sent: "K1ABC", "PJ4/K1ABC", "K1ABC/P"
    std::string Locator;  // upper case, 4 or 6 characters
    int PowerDbm = 0;
};

// The powers a message can carry: 0 to 60 dBm, ending in 0, 3 or 7.
bool IsWsprPower(int dbm);

// Checks and normalises the fields (case, surrounding blanks). WsprError for
// the first field that cannot be sent.
TWsprMessage MakeWsprMessage(std::string_view call, std::string_view locator, std::string_view powerDbm);
// "K1ABC FN42 37": the three fields separated by blanks.
TWsprMessage ParseWsprMessage(std::string_view text);

// The 50 source bits: 28 for the callsign field, 22 for locator and power.
struct TWsprSource {
    uint32_t N = 0;
    uint32_t M = 0;
};

enum class TWsprType { Standard, Compound, Hashed };

// One transmission of a message: the text in the form receivers print it
// ("K1ABC FN42 37", "PJ4/K1ABC 37", "<PJ4/K1ABC> FK52UD 37"), its source
// bits and its 162 channel symbols (tones 0..3).
struct TWsprTransmission {
    TWsprType Type = TWsprType::Standard;
    std::string Text;
    TWsprSource Source;
    std::array<uint8_t, 162> Symbols{};
};

// The transmissions of a message, in the order they are sent: one, or the
// pair that a 6-character locator or a compound callsign needs.
std::vector<TWsprTransmission> WsprTransmissions(const TWsprMessage& message);
