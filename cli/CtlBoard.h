#pragma once
// The board a run of quorvexctl drives: chosen by the board options, else by
// the settings file, else by the program's defaults; kept with its handle
// open while it stays, so a batch of commands or a sweep costs one transfer
// per frequency. A server for other programs drives it the same way.
#include <optional>
#include <string>

#include "usb/BoardSession.h"
#include "usb/DeviceList.h"
#include "wspr/WsprFields.h"

// Which board: what the options say, else what the settings file in the
// working directory says, else the program's defaults.
struct TBoardChoice {
    std::optional<std::string> Product;
    std::optional<std::string> Serial;
    std::optional<std::string> Manufacturer;
    std::optional<int> Port;
};

// The identity from the options, else the settings file, else the defaults.
void ResolveChoice(const TBoardChoice& choice);
// The chosen board among the boards present now, by the program's rule.
std::optional<TDevice> FindChosen(const TBoardChoice& choice);
// Points the board identity at the chosen board; DeviceNotFoundError when
// there is none, UsbError (DeniedBoardText) when the board there may not be used.
void ChooseBoard(const TBoardChoice& choice);
// "Cannot use the board: " and the library's words with the cause and the fix.
std::string DeniedBoardText();
// The beacon code of the settings file, when it holds one.
std::optional<std::string> StoredBeaconCode();
// The WSPR beacon window's fields kept in the settings file; the window's
// defaults for those it does not keep.
TWsprFields StoredWsprFields();
// What the program's start reads from a board before it tunes it: the speed
// grade, the start-up frequency and the crystal.
void ReadBoardValues();

class TCtlBoard {
public:
    explicit TCtlBoard(TBoardChoice choice) : choice_(std::move(choice)) {}

    const TBoardChoice& Choice() const { return choice_; }
    // Points the device link at the chosen board, once while it stays chosen;
    // raises as ChooseBoard.
    void Choose();
    // Choose, and the board's own values (ReadBoardValues) once per choice.
    void ChooseWithValues();
    // The board was not found: the next Choose looks for it by the rule again
    // (a board without a serial comes back under another device number).
    void Forget();
    TBoardSession& Session() { return session_; }

private:
    TBoardChoice choice_;
    bool chosen_ = false;
    bool valuesRead_ = false;
    bool lost_ = false;
    TBoardSession session_;
};
