#include "wspr/WsprSchedule.h"

#include <algorithm>
#include <string>

#include "wspr/WsprMessage.h"

namespace {

using namespace std::chrono;

// A symbol lasts 8192/12000 s = 2048/3 ms, exactly 2048000000/3 ns.
nanoseconds SymbolsLength(int64_t symbols)
{
    return nanoseconds(symbols * 2048000000 / 3);
}

}  // namespace

int64_t WsprSlotOf(WsprUtc::time_point t)
{
    const int64_t s = floor<seconds>(t.time_since_epoch()).count();
    const int64_t length = WsprSlotLength.count();
    return s >= 0 ? s / length : -((-s + length - 1) / length);
}

WsprUtc::time_point WsprTransmissionStart(int64_t slot)
{
    return WsprUtc::time_point(duration_cast<WsprUtc::duration>(WsprSlotLength * slot + WsprStartDelay));
}

int64_t NextWsprSlot(WsprUtc::time_point now)
{
    const int64_t slot = WsprSlotOf(now);
    return WsprTransmissionStart(slot) >= now ? slot : slot + 1;
}

TWsprSlotRule WsprShareRule(int percent)
{
    if (percent < 1 || percent > 100)
        throw WsprError("Share of slots " + std::to_string(percent) + " % cannot be used: 1 to 100 % of the slots.");
    return {TWsprSlotRule::Share, percent};
}

TWsprSlotRule WsprEveryRule(int n)
{
    if (n < 1 || n > 1000)
        throw WsprError("Every " + std::to_string(n) + " slots cannot be used: every 1st to 1000th slot.");
    return {TWsprSlotRule::Every, n};
}

TWsprSlotPicker::TWsprSlotPicker(TWsprSlotRule rule, uint32_t seed) : rule_(rule), random_(seed) {}

bool TWsprSlotPicker::Transmits(int64_t slot)
{
    if (!first_)
        first_ = slot;
    if (rule_.Kind == TWsprSlotRule::Every)
        return (slot - *first_) % rule_.Value == 0;
    return std::uniform_int_distribution<int>(0, 99)(random_) < rule_.Value;
}

void TWsprSymbolClock::Start(Clock::time_point firstSymbolDue)
{
    start_ = firstSymbolDue;
    sent_ = -1;
    skipped_ = 0;
    ended_ = false;
}

TWsprSymbolClock::Clock::time_point TWsprSymbolClock::Due(int symbol) const
{
    return start_ + duration_cast<Clock::duration>(SymbolsLength(symbol));
}

void TWsprSymbolClock::MeasuredTransfer(Clock::duration took)
{
    measures_[next_] = std::clamp<Clock::duration>(took, Clock::duration::zero(), MaxLead);
    next_ = (next_ + 1) % measures_.size();
    measured_ = std::min(measured_ + 1, measures_.size());
}

TWsprSymbolClock::Clock::duration TWsprSymbolClock::Lead() const
{
    if (measured_ == 0)
        return Clock::duration::zero();
    std::array<Clock::duration, 9> sorted = measures_;
    const auto end = sorted.begin() + static_cast<long>(measured_);
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<long>(measured_ / 2), end);
    return sorted[measured_ / 2];
}

TWsprSymbolClock::TTick TWsprSymbolClock::Tick(Clock::time_point now)
{
    TTick tick;
    if (ended_)
        return tick;
    const Clock::time_point ahead = now + Lead();
    if (ahead >= Due(Symbols)) {
        // Symbols still unsent when the transmission is over are left out too.
        tick.Skipped = Symbols - 1 - sent_;
        skipped_ += tick.Skipped;
        sent_ = Symbols - 1;
        ended_ = tick.Ended = true;
        return tick;
    }
    if (ahead < Due(0))
        return tick;
    // The symbol whose time has come: an estimate from the elapsed time, made exact.
    int k = static_cast<int>(duration_cast<nanoseconds>(ahead - start_).count() * 3 / 2048000000);
    k = std::clamp(k, 0, Symbols - 1);
    while (k + 1 < Symbols && Due(k + 1) <= ahead)
        ++k;
    while (k > 0 && Due(k) > ahead)
        --k;
    if (k <= sent_)
        return tick;  // an early tick: the symbol on the air stays
    tick.Symbol = k;
    tick.Skipped = k - sent_ - 1;
    skipped_ += tick.Skipped;
    sent_ = k;
    return tick;
}

TWsprSymbolClock::Clock::time_point TWsprSymbolClock::NextTickTime() const
{
    return Due(std::min(sent_ + 1, Symbols)) - Lead();
}
