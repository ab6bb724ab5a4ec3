// The main of the benchmarks on the virtual bus: the bus is set up before
// anything calls usb_init, which takes its path once.
#include <benchmark/benchmark.h>

#include "sim/VirtualUsbfs.h"

int main(int argc, char** argv)
{
    VirtualUsbfs::Instance();  // before the first usb_init
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
