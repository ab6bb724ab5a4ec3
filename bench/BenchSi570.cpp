#include "usb/Si570.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <new>

// Every heap allocation of the process is counted; the search must make none.
static long AllocationCount = 0;

// Kept out of line, with the deletes: inlined, GCC pairs malloc and free
// across them and warns of a mismatch.
[[gnu::noinline]] void* operator new(std::size_t size)
{
    ++AllocationCount;
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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
