#pragma once
// A session on the chosen board that keeps its handle open from one operation
// to the next (a batch of commands, a sweep, a server for other programs): a
// frequency set is one 6-byte transfer while the board stays. A board that
// has left is looked for once at the next operation; found again (replugged,
// restarted), it is sent the frequency it is owed before it is asked
// anything. Failures raise as the device link's operations do. No Qt.
#include <cstdint>

#include "usb/KeptBoard.h"
#include "usb/Si570.h"

class TBoardSession {
public:
    // As SetFrequency: true when the Si570 can make the frequency and it was
    // sent, false (nothing sent) when it cannot.
    bool SetFrequency(double frequencyHz);
    // The Si570's registers as they are now.
    TRegisterBlock ReadRegisters();
    // The key input byte: bit 5 set while the key is up.
    uint8_t ReadKey();

    void Close() { board_.Close(); }

private:
    // Sends the wanted frequency to a board found again; true when it did.
    bool SettleOwed();
    TKeptBoard board_;
};
