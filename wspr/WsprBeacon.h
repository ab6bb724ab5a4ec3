#pragma once
// The beacon run: waits for the slots it picked, sends each transmission's
// symbols as Si570 register writes on a handle it keeps open, as the symbol
// clock says, and puts the board on the off frequency between transmissions.
// Messages that need two transmissions send them in turn. A board that leaves
// the bus gives up the transmission under way; the beacon looks for it once a
// second and goes on in the first slot after it is back. Device link, no Qt:
// the window and the command line drive it with their own timers.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "usb/KeptBoard.h"
#include "wspr/WsprMessage.h"
#include "wspr/WsprSchedule.h"
#include "wspr/WsprTones.h"

// What is said when a board that went away is back.
constexpr const char* WsprBoardBackText = "Board back: the beacon goes on in its next slot.";

struct TWsprBeaconSettings {
    std::vector<TWsprTransmission> Transmissions;
    TWsprTonePlan Tones;
    double OffHz = 0;  // the Si570 output between transmissions
    TWsprSlotRule Slots;
    uint32_t Seed = 0;  // for the random choice of slots
};

class TWsprBeacon {
public:
    using Clock = TWsprSymbolClock::Clock;

    explicit TWsprBeacon(TWsprBeaconSettings settings);
    TWsprBeacon(const TWsprBeacon&) = delete;
    TWsprBeacon& operator=(const TWsprBeacon&) = delete;

    // The clocks; tests drive them instead of waiting.
    std::function<Clock::time_point()> Now = [] { return Clock::now(); };
    std::function<WsprUtc::time_point()> UtcNow = [] { return WsprUtc::now(); };

    // Called on every timer tick: the first puts the board on the off
    // frequency; then each begins a transmission when its slot has come,
    // sends the symbol that is due and ends a transmission that is over.
    void Poll();
    // Ends a running transmission, leaves the off frequency and lets the board go.
    // The off frequency was sent when the board is not away and no report
    // came from the stop.
    void Stop();
    // When Poll next has something to do: the next symbol, the start of the
    // next slot (which may carry no transmission), or the next look for a
    // board that is away.
    Clock::time_point NextWake() const;

    bool Transmitting() const { return transmitting_; }
    // The board was not there at the last write; it is looked for once a second.
    bool BoardAway() const { return away_; }
    // The transmission under way lost its board: the rest of it is not sent.
    bool GivenUp() const { return givenUp_; }
    int64_t NextSlot() const { return nextSlot_; }
    const TWsprSymbolClock& SymbolClock() const { return clock_; }
    // The transmission running now, or the next to be sent.
    const TWsprTransmission& Current() const { return settings_.Transmissions[sequence_]; }
    const TWsprBeaconSettings& Settings() const { return settings_; }
    int TransmissionsSent() const { return sent_; }
    // Transmissions whose board went away before they ended.
    int TransmissionsGivenUp() const { return givenUpCount_; }

    // What went wrong, handed out once: the first failed write of each
    // transmission (later ones stay quiet), a board that went away (once until
    // it is back), and at a transmission's end the symbols that were left out
    // because the program was held up.
    std::vector<std::string> TakeReports();

    // The board the beacon sends on: opened by the first write, kept open
    // while the board stays, opened again once it is back.
    TKeptBoard Link;

private:
    // The board is away, and no symbol is being sent that a look could hold up.
    bool LooksForBoard() const { return away_ && (!transmitting_ || givenUp_); }
    void Begin(int64_t slot);
    void End();
    // One register write, timed for the symbol clock's lead; a failure is
    // noted, not raised.
    template <typename Send>
    void Write(Send&& send);
    void SendOff();
    void Failed(const std::string& text);
    // The write found no board (or one it cannot open).
    void Lost(const std::string& text);

    TWsprBeaconSettings settings_;
    TWsprSlotPicker picker_;
    TWsprSymbolClock clock_;
    int64_t nextSlot_ = 0;
    bool started_ = false;
    bool transmitting_ = false;
    size_t sequence_ = 0;
    int sent_ = 0;
    int givenUpCount_ = 0;
    bool failureNoted_ = false;
    bool away_ = false;
    bool givenUp_ = false;
    Clock::time_point nextLook_{};  // while away: when to look for the board again
    std::vector<std::string> reports_;
};
