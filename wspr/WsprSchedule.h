#pragma once
// When a WSPR beacon transmits: slots of two minutes from every even UTC
// minute, a transmission starting 1 s into its slot, a share of the slots
// picked at random (so that beacons on one frequency rarely meet) or every
// Nth; and the symbol clock within one transmission. No Qt here.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>

using WsprUtc = std::chrono::system_clock;

constexpr std::chrono::seconds WsprSlotLength{120};
constexpr std::chrono::seconds WsprStartDelay{1};

// Slots are numbered from the Unix epoch, itself an even UTC minute.
int64_t WsprSlotOf(WsprUtc::time_point t);
// When the transmission of a slot starts: its even minute plus 1 s.
WsprUtc::time_point WsprTransmissionStart(int64_t slot);
// The first slot whose transmission starts at or after `now`.
int64_t NextWsprSlot(WsprUtc::time_point now);

// Which slots carry a transmission.
struct TWsprSlotRule {
    enum Kind { Share, Every } Kind = Share;
    int Value = 20;  // percent of the slots, or every Nth slot
};
constexpr int WsprDefaultSharePercent = 20;
// WsprError unless 1..100 percent, or every 1st to 1000th slot.
TWsprSlotRule WsprShareRule(int percent);
TWsprSlotRule WsprEveryRule(int n);

class TWsprSlotPicker {
public:
    TWsprSlotPicker(TWsprSlotRule rule, uint32_t seed);
    // Asked once for each slot, in order. Every Nth counts from the first slot asked.
    bool Transmits(int64_t slot);

private:
    TWsprSlotRule rule_;
    std::mt19937 random_;
    std::optional<int64_t> first_;
};

// The symbol clock of one transmission. Symbol k is due k symbol lengths
// (8192/12000 s) after the first, computed from the start each time, so no
// rounding piles up over 162 symbols. Each is sent early by the transfer time
// measured on the last register writes, so the board has it when it is due.
//
// A tick that was held up sends the symbol due now at once; symbols whose
// whole time passed unsent are left out and counted, never sent late in the
// place of another, and no symbol is ever sent twice.
class TWsprSymbolClock {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int Symbols = 162;

    void Start(Clock::time_point firstSymbolDue);
    // When symbol k (0..162; 162 is the end of the transmission) is due.
    Clock::time_point Due(int symbol) const;

    // One register write took this long. The lead is the median of the last
    // few, at most MaxLead: a write that hangs is a fault, not latency.
    void MeasuredTransfer(Clock::duration took);
    Clock::duration Lead() const;
    static constexpr std::chrono::milliseconds MaxLead{50};

    struct TTick {
        int Symbol = -1;   // the symbol to send now; -1: none
        int Skipped = 0;   // symbols left out before it
        bool Ended = false;  // the transmission is over: send the off frequency
    };
    TTick Tick(Clock::time_point now);
    // When the next tick has something to do.
    Clock::time_point NextTickTime() const;

    int LastSent() const { return sent_; }
    int Skipped() const { return skipped_; }
    bool Ended() const { return ended_; }

private:
    Clock::time_point start_{};
    int sent_ = -1;
    int skipped_ = 0;
    bool ended_ = false;
    std::array<Clock::duration, 9> measures_{};
    size_t measured_ = 0;  // how many of measures_ hold a value
    size_t next_ = 0;
};
