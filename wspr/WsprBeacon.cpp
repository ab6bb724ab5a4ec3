#include "wspr/WsprBeacon.h"

#include <algorithm>
#include <utility>

#include "support/Errors.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"

namespace {

// A slot found later than this after its start is left for the next one.
constexpr std::chrono::milliseconds LatestBegin{683};
// While the board is away it is looked for this often, a walk of the buses
// each time, as online detection does.
constexpr std::chrono::seconds LookInterval{1};

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
        if (utc + clock_.Lead() >= start) {
            // After a long hold-up the slots that passed meanwhile are skipped.
            nextSlot_ = std::max(slot + 1, NextWsprSlot(utc));
            if (utc - start <= LatestBegin && picker_.Transmits(slot))
                Begin(slot);
        }
    }
    if (transmitting_) {
        const TWsprSymbolClock::TTick tick = clock_.Tick(Now());
        if (tick.Symbol >= 0 && !givenUp_) {
            const size_t tone = Current().Symbols[static_cast<size_t>(tick.Symbol)];
            Write([&] {
                SendPlannedFrequency(settings_.Tones.WantedHz[tone], settings_.Tones.Registers[tone], Link);
            });
        }
        if (tick.Ended)
            End();
    }
    // A board that is away is looked for, but never in the middle of symbols being sent.
    if (LooksForBoard() && Now() >= nextLook_)
        SendOff();
}

void TWsprBeacon::Stop()
{
    transmitting_ = false;
    givenUp_ = false;
    // Whether the board was left on the off frequency is said, whatever the
    // transmission said before.
    failureNoted_ = false;
    SendOff();
    Link.Close();
}

TWsprBeacon::Clock::time_point TWsprBeacon::NextWake() const
{
    Clock::time_point wake;
    if (transmitting_) {
        wake = clock_.NextTickTime();
    } else {
        const auto untilSlot = WsprTransmissionStart(nextSlot_) - UtcNow();
        wake = Now() + std::chrono::duration_cast<Clock::duration>(untilSlot) - clock_.Lead();
    }
    return LooksForBoard() ? std::min(wake, nextLook_) : wake;
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
    givenUp_ = false;
    failureNoted_ = false;
}

void TWsprBeacon::End()
{
    transmitting_ = false;
    SendOff();
    if (givenUp_) {
        // Sent whole in a later slot, so a message of two keeps its order.
        givenUp_ = false;
        ++givenUpCount_;
        return;
    }
    ++sent_;
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
        send();
    } catch (const QuorvexError& e) {
        // Without a handle the board is away, or back but not to be opened.
        if (Link.IsOpen())
            Failed(e.what());
        else
            Lost(e.what());
        return;
    }
    clock_.MeasuredTransfer(Now() - before);
    away_ = false;
}

void TWsprBeacon::SendOff()
{
    Write([&] { SetFrequency(settings_.OffHz, Link); });
}

void TWsprBeacon::Failed(const std::string& text)
{
    if (failureNoted_)
        return;
    failureNoted_ = true;
    reports_.push_back(text);
}

void TWsprBeacon::Lost(const std::string& text)
{
    if (!away_)
        reports_.push_back(text + " The beacon looks for the board every second and goes on in the first slot "
                                  "after it is back.");
    away_ = true;
    nextLook_ = Now() + LookInterval;
    if (transmitting_)
        givenUp_ = true;
}
