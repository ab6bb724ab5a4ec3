// The beacon's symbol timing with real timers: when each symbol reaches the
// virtual board against when the schedule says it is due. One run of two
// minutes at 50 ms per symbol; --benchmark_min_time does not apply.
// Arguments: [seconds] [--low-speed] (the board takes a real board's time per
// transfer, so every symbol also carries the time of opening the board).
#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/Program.h"
#include "app/UQuorvex.h"
#include "bench/BenchBus.h"
#include "bench/WindowBench.h"
#include "mept/U_MEPT.h"
#include "support/Feedback.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

// Lettering, a sweep with long steps and a restart on every pass.
constexpr const char* Code = "8X8XF0S3A1S0B2S1C3S0DXXE";
constexpr int SymbolMs = 50;

int g_seconds = 120;
bool g_lowSpeed = false;

// When each symbol is due, from the start of the transmission, for the
// ticks that fit the run: the keyer's own stepping with the timer's intervals.
std::vector<Ms> DueTimes(Ms runTime)
{
    TMeptDrawing drawing{.GraphSize = 1};
    TMeptTransmission transmission;
    transmission.Start(Code);
    int interval = SymbolMs;
    Ms at{0};
    std::vector<Ms> due;
    while (at < runTime) {
        at += Ms(interval);
        const TMeptTick tick = transmission.Tick(drawing);
        if (tick.IntervalFactor > 0)
            interval = SymbolMs * tick.IntervalFactor;
        if (tick.Symbol)
            due.push_back(at);
        if (transmission.Finished) {
            transmission.Start(Code);
            interval = SymbolMs;
        }
        if (transmission.PendingCode.empty())
            transmission.Finished = true;
    }
    return due;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

void BM_SymbolStartLateness(benchmark::State& state)
{
    auto board = PlugBoardAmong(1);
    if (g_lowSpeed)
        board->Latency = VirtualBoard::LowSpeedTiming;
    if (!SelectDevice())
        throw std::runtime_error("the virtual board was not found");
    DeviceOnline = true;
    Frequency = 10000000;
    TF_MEPT keyer;
    keyer.Edit1->setText(QString::number(SymbolMs / 1000.0));
    keyer.EditCode->setText(Code);

    for (auto _ : state) {
        board->Log.clear();
        board->Recording = true;
        const Clock::time_point start = Clock::now();
        keyer.SpeedTransmit->setChecked(true);
        QEventLoop loop;
        QTimer::singleShot(g_seconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        keyer.SpeedTransmit->setChecked(false);
        board->Recording = false;
        const Ms run = Clock::now() - start;
        state.SetIterationTime(std::chrono::duration<double>(run).count());

        // Each symbol opens the board (its first transfer), then sets the frequency.
        std::vector<Clock::time_point> received;
        std::vector<Ms> opening;
        std::optional<Clock::time_point> opened;
        for (const TransferRecord& t : board->Log) {
            if (!opened)
                opened = t.Time;
            if (t.RequestType == 0x40 && t.Request == 0x30) {
                received.push_back(t.Time);
                opening.push_back(t.Time - *opened);
                opened.reset();
            }
        }
        received.pop_back();  // the off frequency on release
        const std::vector<Ms> due = DueTimes(run);
        const size_t n = std::min(received.size(), due.size());
        std::vector<double> lateness;
        for (size_t i = 0; i < n; ++i)
            lateness.push_back(Ms(received[i] - start - due[i]).count());
        state.counters["symbols"] = static_cast<double>(n);
        state.counters["late_p50_ms"] = Percentile(lateness, 0.5);
        state.counters["late_p90_ms"] = Percentile(lateness, 0.9);
        state.counters["late_p99_ms"] = Percentile(lateness, 0.99);
        std::vector<double> open;
        for (const Ms& o : opening)
            open.push_back(o.count());
        state.counters["open_p50_ms"] = Percentile(open, 0.5);
        state.counters["open_p99_ms"] = Percentile(open, 0.99);
        state.counters["late_max_ms"] = *std::max_element(lateness.begin(), lateness.end());
        state.counters["late_min_ms"] = *std::min_element(lateness.begin(), lateness.end());
        state.counters["first_late_ms"] = lateness.front();
        state.counters["last_late_ms"] = lateness.back();
        // The schedule drifts when the last symbol is later than the first.
        state.counters["drift_ms"] = lateness.back() - lateness.front();
    }
}

BENCHMARK(BM_SymbolStartLateness)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv)
{
    PrepareWindowBench();
    TQuorvexApp app(argc, argv);
    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--low-speed") == 0)
            g_lowSpeed = true;
        else
            g_seconds = std::stoi(argv[i]);
    }
    benchmark::AddCustomContext("run", std::to_string(g_seconds) + " s at " + std::to_string(SymbolMs) +
                                           " ms per symbol, board " + (g_lowSpeed ? "low-speed" : "instant"));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
