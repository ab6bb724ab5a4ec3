#include "wspr/WsprBeacon.h"

#include <algorithm>
#include <utility>

#include "support/Errors.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"

namespace {

// A slot found later than this after its start is left for the next one.
constexpr std::chrono::milliseconds LatestBegin{683};

}  // namespace

TWsprBeacon::TWsprBeacon(TWsprBeaconSettings settings)
    : settings_(std::move(settings)), picker_(settings_.Slots, settings_.Seed)
{
    if (settings_.Transmissions.empty())
        throw WsprError("The beacon has no message to send.");
    TDividerSetting unused;
    if (settings_.OffHz != 0 && !FindDividers(settings_.OffHz / 1000000, FxtalMHz, SpeedGrade, unused))
        throw WsprError("Off frequency " + FormatGeneral(settings_.OffHz) +
                        " Hz (at the Si570) cannot be made: enter a frequency the Si570 reaches, or 0 for its "
                        "start-up frequency.");
}

void TWsprBeacon::Poll()
{
    const WsprUtc::time_point utc = UtcNow();
    if (!started_) {
        started_ = true;
        nextSlot_ = NextWsprSlot(utc);
        SendOff();
    }
    if (!transmitting_) {
        const int64_t slot = nextSlot_;
        const WsprUtc::time_point start = WsprTransmissionStart(slot);
        if (utc + clock_.Lead() < start)
            return;
        // After a long hold-up the slots that passed meanwhile are skipped.
        nextSlot_ = std::max(slot + 1, NextWsprSlot(utc));
        if (utc - start > LatestBegin || !picker_.Transmits(slot))
            return;
        Begin(slot);
    }
    const TWsprSymbolClock::TTick tick = clock_.Tick(Now());
    if (tick.Symbol >= 0) {
        const TRegisterBlock& block = settings_.Tones.Registers[Current().Symbols[static_cast<size_t>(tick.Symbol)]];
        Write([&] { return SendRegistersPersistent(block); });
    }
    if (tick.Ended)
        End();
}

void TWsprBeacon::Stop()
{
    transmitting_ = false;
    SendOff();
}

TWsprBeacon::Clock::time_point TWsprBeacon::NextWake() const
{
    if (transmitting_)
        return clock_.NextTickTime();
    const auto untilSlot = WsprTransmissionStart(nextSlot_) - UtcNow();
    return Now() + std::chrono::duration_cast<Clock::duration>(untilSlot) - clock_.Lead();
}

std::vector<std::string> TWsprBeacon::TakeReports()
{
    return std::exchange(reports_, {});
}

void TWsprBeacon::Begin(int64_t slot)
{
    // The symbol clock runs on the monotonic clock, placed once against UTC.
    const auto untilStart = WsprTransmissionStart(slot) - UtcNow();
    clock_.Start(Now() + std::chrono::duration_cast<Clock::duration>(untilStart));
    transmitting_ = true;
    failureNoted_ = false;
}

void TWsprBeacon::End()
{
    transmitting_ = false;
    ++sent_;
    SendOff();
    if (clock_.Skipped() > 0)
        reports_.push_back(std::to_string(clock_.Skipped()) + " of 162 symbols of \"" + Current().Text +
                           "\" were left out: the program was held up.");
    sequence_ = (sequence_ + 1) % settings_.Transmissions.size();
}

template <typename Send>
void TWsprBeacon::Write(Send&& send)
{
    const Clock::time_point before = Now();
    try {
        if (!send()) {
            Failed("The beacon's frequency could not be sent: the board is not open.");
            return;
        }
        clock_.MeasuredTransfer(Now() - before);
    } catch (const QuorvexError& e) {
        Failed(e.what());
    }
}

void TWsprBeacon::SendOff()
{
    Write([&] { return SetFrequencyPersistent(settings_.OffHz); });
}

void TWsprBeacon::Failed(const std::string& text)
{
    if (failureNoted_)
        return;
    failureNoted_ = true;
    reports_.push_back(text);
}
