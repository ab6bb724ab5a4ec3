// The main window's start and its online-detection tick on the virtual bus,
// the tick side by side with the bare libusb enumeration it has to make.
#include <benchmark/benchmark.h>

#include <QTest>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "app/Program.h"
#include "app/SettingsFile.h"
#include "app/UQuorvex.h"
#include "bench/BenchBus.h"
#include "bench/WindowBench.h"
#include "support/Feedback.h"

namespace {

using Clock = std::chrono::steady_clock;

std::shared_ptr<VirtualBoard> g_board;

// One board and (devices - 1) devices of another vendor.
void SetUpBus(int devices)
{
    g_board = PlugBoardAmong(devices);
}

// A settings file as a later run finds it: 14 MHz, online detection on.
void WriteSettingsFile(const std::filesystem::path& dir)
{
    Frequency = 14000000;
    std::ofstream(dir / "Quorvex.ini", std::ios::binary) << SettingsText(2, false, true);
    Frequency = 0;
}

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Creating the windows (the main window reads the settings, finds the board,
// sends the frequency, reads speed grade and calibration) until the main
// window is on screen.
Clock::duration StartWindows()
{
    const auto start = Clock::now();
    TProgramWindows windows;
    windows.Create();
    if (!QTest::qWaitForWindowExposed(windows.Main.get()))
        throw std::runtime_error("the main window was not shown");
    return Clock::now() - start;
}

void BM_StartToMainWindowShown(benchmark::State& state)
{
    SetUpBus(1);
    for (auto _ : state)
        state.SetIterationTime(std::chrono::duration<double>(StartWindows()).count());
}

// What SelectDevice has to do at the least, written straight against libusb.
void BareEnumeration()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* d = bus->devices; d; d = d->next) {
            usb_dev_handle* h = usb_open(d);
            if (!h)
                continue;
            if (d->descriptor.idVendor == 0x16C0 || d->descriptor.idVendor == 0x20A0) {
                char text[256];
                for (int index : {d->descriptor.iManufacturer, d->descriptor.iProduct, d->descriptor.iSerialNumber})
                    if (index)
                        benchmark::DoNotOptimize(usb_get_string_simple(h, index, text, sizeof text));
            }
            usb_close(h);
        }
}

void BM_BareEnumeration(benchmark::State& state)
{
    SetUpBus(static_cast<int>(state.range(0)));
    for (auto _ : state)
        BareEnumeration();
}

void BM_OnlineDetectionTick(benchmark::State& state)
{
    SetUpBus(static_cast<int>(state.range(0)));
    TFormMain form;
    form.CheckBox2->setChecked(true);
    SendOnConnect = false;
    for (auto _ : state)
        form.Timer1Timer();
    if (!DeviceOnline)
        state.SkipWithError("the board was not found");
}

// From plugging the chosen board in again (it restarts at its start-up
// frequency) to the board making the shown frequency, with detection running
// on its real timer. The replugs fall at spread-out phases of the 1 s tick;
// the goal is one detection period at most.
void BM_ReplugToShownFrequency(benchmark::State& state)
{
    SetUpBus(20);
    g_board->Latency = VirtualBoard::LowSpeedTiming;
    VirtualUsbfs& fs = VirtualUsbfs::Instance();
    SelUsbPortId = static_cast<uint8_t>(fs.DeviceNumber(*g_board));
    TFormMain form;
    form.CheckBox2->setChecked(true);
    form.Edit1->setText("14");
    form.Edit1_Exit();
    const double shownMHz = g_board->OutputMHz();
    const int period = form.Timer1->interval();
    double worstMs = 0;
    int phase = 0;
    for (auto _ : state) {
        fs.Unplug(*g_board);
        form.Timer1Timer();  // seen gone
        QTest::qWait(period * (phase++ % 8) / 8);
        const auto plugged = Clock::now();
        fs.Plug(g_board);
        while (std::abs(g_board->OutputMHz() - shownMHz) > 1e-9) {
            if (Clock::now() - plugged > std::chrono::milliseconds(3 * period)) {
                state.SkipWithError("the board did not get the shown frequency");
                return;
            }
            QTest::qWait(1);
        }
        const double ms = Milliseconds(Clock::now() - plugged);
        worstMs = std::max(worstMs, ms);
        state.SetIterationTime(ms / 1000);
    }
    state.counters["worst_ms"] = worstMs;
    state.counters["period_ms"] = period;
}

}  // namespace

BENCHMARK(BM_ReplugToShownFrequency)->UseManualTime()->Iterations(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartToMainWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareEnumeration)->Arg(20)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OnlineDetectionTick)->Arg(20)->Unit(benchmark::kMicrosecond);

int main(int argc, char** argv)
{
    const auto processStart = Clock::now();
    PrepareWindowBench();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-app";
    std::filesystem::create_directories(dir);
    WorkingDirHook = [&] { return dir.string(); };
    ExecutableDirHook = [&] { return dir.string(); };
    WriteSettingsFile(dir);
    SetUpBus(1);

    // The first start of the process, with the toolkit's own start-up.
    TQuorvexApp app(argc, argv);
    const Clock::duration firstWindows = StartWindows();
    benchmark::AddCustomContext("first start, process to main window shown",
                                std::to_string(Milliseconds(Clock::now() - processStart)) + " ms");
    benchmark::AddCustomContext("first start, windows created and shown",
                                std::to_string(Milliseconds(firstWindows)) + " ms");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
