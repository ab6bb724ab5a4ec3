// 1000 frequency steps with one board: through quorvexctl batch and sweep,
// against the bare libusb transfers the steps need (one 6-byte control
// transfer each on a handle kept open), against a one-shot set a step in
// this process, and against one quorvexctl process per step. Argument 0:
// the board answers at once; 1: it takes the time of a real low-speed board.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "bench/BenchBus.h"
#include "cli/Ctl.h"
#include "usb/SynthCommands.h"

namespace {

constexpr int Steps = 1000;
constexpr double FirstHz = 14000000;
constexpr double StepHz = 10;

std::shared_ptr<VirtualBoard> SetUpBoard(const benchmark::State& state)
{
    auto board = PlugBoardAmong(1);
    SelUsbPortId = static_cast<uint8_t>(VirtualUsbfs::Instance().DeviceNumber(*board));
    if (state.range(0))
        board->Latency = VirtualBoard::LowSpeedTiming;
    return board;
}

// Seconds per step, in the report.
void CountSteps(benchmark::State& state, int steps)
{
    state.counters["per_step"] =
        benchmark::Counter(steps, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

class TNullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return c; }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

int RunCtl(std::vector<const char*> args, const std::vector<std::string>& input)
{
    TNullBuffer null;
    std::ostream out(&null);
    TCtlEnvironment env{out, out};
    env.StopRequested = [] { return false; };
    env.Sleep = [](int) {};
    size_t next = 0;
    env.ReadLine = [&](std::string& line) {
        if (next == input.size())
            return false;
        line = input[next++];
        return true;
    };
    args.insert(args.begin(), "quorvexctl");
    return RunQuorvexCtl(static_cast<int>(args.size()), args.data(), env);
}

void BM_BareSteps(benchmark::State& state)
{
    SetUpBoard(state);
    std::vector<TRegisterBlock> blocks;
    for (int i = 0; i < Steps; ++i) {
        TDividerSetting setting;
        FindDividers((FirstHz + i * StepHz) / 1e6, NominalXtalMHz, 2, setting);
        blocks.push_back(PackRegisters(setting));
    }
    usb_dev_handle* handle = nullptr;
    usb_init();
    if (!OpenSelectedDevice(handle)) {
        state.SkipWithError("no board");
        return;
    }
    for (auto _ : state) {
        for (TRegisterBlock& block : blocks)
            usb_control_msg(handle, 0x40, 0x30, 0x0755, 0, reinterpret_cast<char*>(block.data()), 6, 5000);
    }
    usb_close(handle);
    CountSteps(state, Steps);
}

void BM_BatchSteps(benchmark::State& state)
{
    SetUpBoard(state);
    std::vector<std::string> lines;
    for (int i = 0; i < Steps; ++i)
        lines.push_back("set " + std::to_string(static_cast<long long>(FirstHz + i * StepHz)));
    for (auto _ : state)
        benchmark::DoNotOptimize(RunCtl({"batch"}, lines));
    CountSteps(state, Steps);
}

void BM_SweepSteps(benchmark::State& state)
{
    SetUpBoard(state);
    const std::string last = std::to_string(static_cast<long long>(FirstHz + (Steps - 1) * StepHz));
    for (auto _ : state)
        benchmark::DoNotOptimize(RunCtl({"sweep", "14M", last.c_str(), "10"}, {}));
    CountSteps(state, Steps);
}

// Today's way without a session: a process, a bus walk and an open at every
// step (its own virtual board, which answers at once).
void BM_ProcessPerStep(benchmark::State& state)
{
    constexpr int ProcessSteps = 50;
    for (auto _ : state) {
        for (int i = 0; i < ProcessSteps; ++i) {
            const std::string hz = std::to_string(static_cast<long long>(FirstHz + i * StepHz));
            const pid_t child = ::fork();
            if (child == 0) {
                const int null = ::open("/dev/null", O_WRONLY);
                ::dup2(null, STDOUT_FILENO);
                ::execl(QUORVEX_CTL_PATH, "quorvexctl", "--demo", "set", hz.c_str(), nullptr);
                ::_exit(127);
            }
            int status = 0;
            ::waitpid(child, &status, 0);
        }
    }
    CountSteps(state, ProcessSteps);
}

// One `quorvexctl set` a step in this process: the bus walk, the open and the
// board's values read at every step, without the process's own start.
void BM_OneShotSetSteps(benchmark::State& state)
{
    SetUpBoard(state);
    constexpr int OneShotSteps = 20;
    for (auto _ : state)
        for (int i = 0; i < OneShotSteps; ++i)
            RunCtl({"set", std::to_string(static_cast<long long>(FirstHz + i * StepHz)).c_str()}, {});
    CountSteps(state, OneShotSteps);
}

// The transfers one `quorvexctl set` makes (bus walks' string reads
// included), which a real board takes 2 ms or more each for.
void BM_TransfersOfOneSet(benchmark::State& state)
{
    auto board = PlugBoardAmong(1);
    board->Recording = true;
    for (auto _ : state) {
        board->Log.clear();
        RunCtl({"set", "14M"}, {});
    }
    state.counters["transfers"] = static_cast<double>(board->Log.size());
}

}  // namespace

// Real time: with the board's own time the work waits on the wire.
BENCHMARK(BM_BareSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BatchSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SweepSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OneShotSetSteps)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ProcessPerStep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TransfersOfOneSet)->Iterations(1);
