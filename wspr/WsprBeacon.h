#pragma once
// The beacon run: waits for the slots it picked, sends each transmission's
// symbols as Si570 register writes on the persistent handle as the symbol
// clock says, and puts the board on the off frequency between transmissions.
// Messages that need two transmissions send them in turn. Device link, no Qt:
// the window and the command line drive it with their own timers.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "wspr/WsprMessage.h"
#include "wspr/WsprSchedule.h"
#include "wspr/WsprTones.h"

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

    // The clocks; tests drive them instead of waiting.
    std::function<Clock::time_point()> Now = [] { return Clock::now(); };
    std::function<WsprUtc::time_point()> UtcNow = [] { return WsprUtc::now(); };

    // Called on every timer tick: the first puts the board on the off
    // frequency; then each begins a transmission when its slot has come,
    // sends the symbol that is due and ends a transmission that is over.
    void Poll();
    // Ends a running transmission and leaves the off frequency.
    void Stop();
    // When Poll next has something to do: the next symbol, or the start of the
    // next slot (which may carry no transmission).
    Clock::time_point NextWake() const;

    bool Transmitting() const { return transmitting_; }
    int64_t NextSlot() const { return nextSlot_; }
    const TWsprSymbolClock& SymbolClock() const { return clock_; }
    // The transmission running now, or the next to be sent.
    const TWsprTransmission& Current() const { return settings_.Transmissions[sequence_]; }
    const TWsprBeaconSettings& Settings() const { return settings_; }
    int TransmissionsSent() const { return sent_; }

    // What went wrong, handed out once: the first failed write of each
    // transmission (later ones stay quiet), and at its end the symbols that
    // were left out because the program was held up.
    std::vector<std::string> TakeReports();

private:
    void Begin(int64_t slot);
    void End();
    // One register write, timed for the symbol clock's lead; a failure is
    // noted, not raised.
    template <typename Send>
    void Write(Send&& send);
    void SendOff();
    void Failed(const std::string& text);

    TWsprBeaconSettings settings_;
    TWsprSlotPicker picker_;
    TWsprSymbolClock clock_;
    int64_t nextSlot_ = 0;
    bool started_ = false;
    bool transmitting_ = false;
    size_t sequence_ = 0;
    int sent_ = 0;
    bool failureNoted_ = false;
    std::vector<std::string> reports_;
};
