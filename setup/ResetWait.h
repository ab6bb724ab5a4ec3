#pragma once
// Erasing the EEPROM ends with the board's reset: the wait for the board to
// come back and what is said afterwards, the same in the setup dialog and on
// the command line. No Qt, no USB.
#include <functional>

// After the reset the board needs a moment before it is worth looking for;
// then it is looked for every ResetPollMs until about 10 s have passed.
constexpr int ResetSettleMs = 500;
constexpr int ResetPollMs = 100;
constexpr int ResetPolls = 95;

// Pauses, then looks for the board until it is back: true. False when it was
// not back within the bound.
bool WaitForBoardAfterReset(const std::function<void(int ms)>& pause, const std::function<bool()>& boardBack);

constexpr const char* ErasedText = "EEPROM erased and AVR reset.";
constexpr const char* ErasedNotBackText = "EEPROM erased, but the board was not back within 10 s of its reset.";
