#pragma once
// The source coding of WSPR messages: fields to the 28 + 22 source bits, and
// source bits to the 162 channel symbols. The fields must already be checked
// (WsprMessage.h); these functions only compute.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "wspr/WsprMessage.h"

// The callsign in the six positions the code has: the call area digit third,
// a one-letter prefix padded with a leading blank, blanks after. Empty when
// the call does not fit them, with the reason in `why`.
std::optional<std::string> WsprCallPositions(std::string_view call, std::string& why);

// 28-bit callsign field of a call that fits the six positions.
uint32_t PackWsprCall(std::string_view call);
// 15-bit field of a 4-character locator (letters A-R, digits).
uint32_t PackWsprLocator(std::string_view locator4);
// 15-bit hash of a callsign, as the 6-character-locator message carries it.
uint32_t WsprCallHash(std::string_view call);

// The source bits of each message type.
TWsprSource WsprStandardSource(std::string_view call, std::string_view locator4, int powerDbm);
// Call with one prefix "PJ4/K1ABC" or one suffix "K1ABC/P", "K1ABC/12".
TWsprSource WsprCompoundSource(std::string_view call, int powerDbm);
TWsprSource WsprHashedSource(std::string_view call, std::string_view locator6, int powerDbm);

// Convolutional code, interleaving and the sync vector.
std::array<uint8_t, 162> WsprChannelSymbols(const TWsprSource& source);
