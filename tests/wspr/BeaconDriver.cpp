#include "BeaconDriver.h"

#include <algorithm>

WsprUtc::time_point TBeaconDriver::Utc() const
{
    return WsprTransmissionStart(FirstSlot) - WsprStartDelay +
           std::chrono::duration_cast<WsprUtc::duration>(Now - T0);
}

TBeaconDriver::Clock::time_point TBeaconDriver::At(WsprUtc::time_point utc) const
{
    return T0 + std::chrono::duration_cast<Clock::duration>(utc - (WsprTransmissionStart(FirstSlot) - WsprStartDelay));
}

std::vector<TBeaconDriver::TWrite> TBeaconDriver::Run(TWsprBeacon& beacon, VirtualBoard& board,
                                                      const std::function<bool()>& done,
                                                      const std::function<void()>& between, int maxPolls)
{
    beacon.Now = [this] { return Now; };
    beacon.UtcNow = [this] { return Utc(); };
    std::vector<TWrite> writes;
    for (int polls = 0; polls < maxPolls; ++polls) {
        const size_t logged = board.Log.size();
        beacon.Poll();
        for (size_t i = logged; i < board.Log.size(); ++i) {
            const TransferRecord& r = board.Log[i];
            if (r.Request != 0x30 || r.Result != 6)
                continue;
            TRegisterBlock block;
            std::copy(r.Bytes.begin(), r.Bytes.end(), block.begin());
            writes.push_back({Utc(), block});
        }
        if (between)
            between();
        if (done())
            break;
        const Clock::time_point wake = NextEvent ? std::min(beacon.NextWake(), NextEvent()) : beacon.NextWake();
        Now = std::max(Now, wake);
    }
    return writes;
}

std::vector<TBeaconDriver::TWrite> TBeaconDriver::RunTransmission(TWsprBeacon& beacon, VirtualBoard& board)
{
    const int before = beacon.TransmissionsSent();
    return Run(beacon, board, [&] { return beacon.TransmissionsSent() > before; });
}
