#pragma once
// The rule that tells the chosen board apart from the others, and what the
// device link knows of it between operations. A board keeps its identity
// across a replug, where the kernel gives it a new device number: when its
// serial number is one no other present board shares, the serial names it,
// whatever its number. Otherwise the device number and the first-of-the-
// product rule of the selection decide, as they always did. No Qt here.
#include <optional>
#include <span>
#include <string>

// A serial number that can name a board: not empty, and not the "NONE" that
// stands for no choice made.
bool SerialNamesABoard(const std::string& serial);

// The serial rule over the serial numbers of the present boards of the
// chosen product, in bus order.
struct TSerialVerdict {
    enum { NotDistinct, Found, Absent } Kind = NotDistinct;
    int Index = -1;  // Found: the board that carries the serial
};
// Seen on several boards once, the serial tells nothing apart for the rest of
// the choice (TChosenBoardState::SerialShared), even while one of them is away.
TSerialVerdict FindBySerial(std::span<const std::string> serials, const std::string& serial);
// The chosen board is to be found by its serial: one names it and it was not seen shared.
bool SerialNamesChosenBoard();

enum class TBoardPresence {
    Unknown,       // not looked for yet, or the choice has just changed
    Present,
    Absent,        // no board of the product
    OtherPresent,  // the chosen board (named by its serial) is absent, another board is present
};

struct TChosenBoardState {
    TBoardPresence Presence = TBoardPresence::Unknown;
    // Several boards were present that the serial does not tell apart, so the
    // first-of-the-product rule chose among them: windows name the board in use.
    bool Ambiguous = false;
    // The chosen serial was seen on more than one board.
    bool SerialShared = false;
    // Found again after it was lost, or under a new device number: it has
    // restarted, and does not make the wanted frequency until it is sent again.
    bool FrequencyOwed = false;
    // Where the board was last found by its serial: a board there under the
    // same number is taken without asking its serial again. Forgotten by any
    // walk of the buses that finds nothing there, so a board that left and
    // came back is asked again (the kernel does not reuse a number until it
    // has given out all others of the bus).
    std::string SerialSeenBus;
    int SerialSeenDevNum = 0;
    std::string SerialSeen;
};
inline TChosenBoardState ChosenBoard;

// The output frequency (Hz) the program wants the chosen board to make: the
// last one it applied, sent or not. A board found again is sent it before
// anything else.
inline std::optional<double> WantedFrequencyHz;

// The chosen board was found under device number devNum (SelUsbPortId still
// the number it had); ambiguous as for TChosenBoardState.
void NoteChosenFound(int devNum, bool ambiguous);
// The chosen board was looked for and not found; otherPresent when the
// serial rule saw another board of the product.
void NoteChosenMissing(bool otherPresent);
// A transfer found the board gone from the bus.
void NoteChosenGone();
// The operator chose a board (or another product): nothing is known of it yet.
void ForgetChosenBoard();
// A walk of the buses saw a device at bus/devNum; after the walk,
// EndWalk(sawSerialPlace) forgets the serial's place when nothing was there.
bool IsSerialPlace(const char* bus, int devNum);
void EndWalk(bool sawSerialPlace);

// "The chosen board (serial 2) is not connected, but another board is present."
std::string OtherBoardText();
