// Network control on loopback: the round trip of "f" (answered from the
// station's memory), the round trip of "F" to a board with a low-speed
// board's timing side by side with the bare transfer it has to make, and the
// load test's throughput and latencies. The server runs on its own thread's
// event loop, the client blocks as station programs do.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "bench/BenchBus.h"
#include "cli/CtlStation.h"
#include "tests/net/FakeStation.h"
#include "tests/net/LoadClients.h"
#include "tests/net/RigClient.h"
#include "tests/net/ServerThread.h"
#include "usb/SynthCommands.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times each round trip itself, so the median and the worst can be told.
class TRoundTrips {
public:
    template <typename F>
    void Time(benchmark::State& state, F&& roundTrip)
    {
        const auto start = Clock::now();
        roundTrip();
        const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
        state.SetIterationTime(us / 1e6);
        us_.push_back(us);
    }

    void Report(benchmark::State& state)
    {
        if (us_.empty())
            return;
        std::sort(us_.begin(), us_.end());
        state.counters["median_us"] = us_[us_.size() / 2];
        state.counters["max_us"] = us_.back();
    }

private:
    std::vector<double> us_;
};

void BM_GetFrequencyRoundTrip(benchmark::State& state)
{
    TFakeStation station;
    station.Preset(14074000);
    TServerThread server(station);
    TRigClient client(server.Port());
    TRoundTrips trips;
    for (auto _ : state)
        trips.Time(state, [&] {
            client.Send("f\n");
            benchmark::DoNotOptimize(client.ReadOnce());
        });
    trips.Report(state);
}

std::shared_ptr<VirtualBoard> LowSpeedBoard()
{
    auto board = PlugBoardAmong(1);
    board->Latency = VirtualBoard::LowSpeedTiming;
    SelUsbPortId = static_cast<uint8_t>(VirtualUsbfs::Instance().DeviceNumber(*board));
    return board;
}

// The least a frequency step needs: the six register bytes in one transfer
// on a handle already open.
void BM_BareRegisterTransfer(benchmark::State& state)
{
    const auto board = LowSpeedBoard();
    OpenPersistent(true);
    char regs[6] = {0x4F, 0x42, static_cast<char>(0xD9), 0x1F, static_cast<char>(0xE2), static_cast<char>(0xF8)};
    TRoundTrips trips;
    for (auto _ : state)
        trips.Time(state, [&] { benchmark::DoNotOptimize(usb_control_msg(PersistentHandle, 0x40, 0x30, 0x0755, 0, regs, 6, 5000)); });
    trips.Report(state);
    OpenPersistent(false);
}

void BM_SetFrequencyRoundTrip(benchmark::State& state)
{
    const auto board = LowSpeedBoard();
    // quorvexctl serve's station, on its board session.
    std::ostringstream out, err;
    TCtlEnvironment env{out, err};
    const TCtlArgs args;
    TCtlBoard chosen{TBoardChoice{}};
    TCtlCall call{env, args, chosen};
    TCtlStation station(call, {});
    TServerThread server(station);
    TRigClient client(server.Port());
    client.Send("F 14074000\n");  // the handle is opened once
    client.ReadOnce();
    long step = 0;
    TRoundTrips trips;
    for (auto _ : state)
        trips.Time(state, [&] {
            client.Send("F " + std::to_string(14074000 + step++ % 1000) + "\n");
            benchmark::DoNotOptimize(client.ReadOnce());
        });
    trips.Report(state);
}

void BM_Load16x10000(benchmark::State& state)
{
    TFakeStation station;
    station.Recording = false;
    TServerThread server(station);
    TLoadResult r;
    for (auto _ : state) {
        r = RunLoad(server.Port(), 16, 10000);
        state.SetIterationTime(r.Seconds);
    }
    state.counters["commands_per_s"] = static_cast<double>(r.Answered) / r.Seconds;
    state.counters["median_latency_us"] = r.MedianLatencyUs;
    state.counters["max_latency_us"] = r.MaxLatencyUs;
    state.counters["lost"] = static_cast<double>(r.Wrong + r.Unanswered + r.Extra);
}

}  // namespace

BENCHMARK(BM_GetFrequencyRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(20000);
BENCHMARK(BM_BareRegisterTransfer)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK(BM_SetFrequencyRoundTrip)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);
BENCHMARK(BM_Load16x10000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    VirtualUsbfs::Instance();  // before the first usb_init
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
