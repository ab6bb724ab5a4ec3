#include "usb/Si570.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

#include "tests/common/CountingNew.h"

namespace {

void BM_FindDividers(benchmark::State& state)
{
    const double freqMHz = static_cast<double>(state.range(0)) / 1000;
    TDividerSetting setting;
    const long before = AllocationCount;
    for (auto _ : state) {
        benchmark::DoNotOptimize(FindDividers(freqMHz, NominalXtalMHz, SpeedGradeC, setting));
        benchmark::DoNotOptimize(setting);
    }
    state.counters["allocs"] = static_cast<double>(AllocationCount - before);
}
// kHz: 3.5, 14, 56.32, 300 (not found with grade C), 1417.5 MHz.
BENCHMARK(BM_FindDividers)->Arg(3500)->Arg(14000)->Arg(56320)->Arg(300000)->Arg(1417500);

void BM_FindAndPack(benchmark::State& state)
{
    TDividerSetting setting;
    double freqMHz = 14.0;
    const long before = AllocationCount;
    for (auto _ : state) {
        freqMHz = freqMHz < 14.1 ? freqMHz + 0.0001 : 14.0;  // an FSK-like sweep
        if (FindDividersFast(freqMHz, NominalXtalMHz, setting))
            benchmark::DoNotOptimize(PackRegisters(setting));
    }
    state.counters["allocs"] = static_cast<double>(AllocationCount - before);
}
BENCHMARK(BM_FindAndPack);

}  // namespace
