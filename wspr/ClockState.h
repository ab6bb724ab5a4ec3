#pragma once
// Whether the kernel keeps the system clock synchronized (adjtimex): WSPR
// needs the transmission within about a second of UTC. No Qt here.
#include <string>

struct TClockState {
    bool Known = false;         // adjtimex answered
    bool Synchronized = false;
    double EstimatedErrorMs = 0;  // the kernel's estimate, when synchronized
};

// From adjtimex's result, status bits and estimated error (microseconds).
TClockState ClockStateOf(int result, int status, long estimatedErrorUs);
TClockState ReadClockState();

// "Clock synchronized (estimated error 0.2 ms)", or a warning.
std::string ClockStateText(const TClockState& state);
