// The EEPROM editor's read, and its write with backup and verification, side
// by side with the bare libusb transfers they have to make on the virtual bus.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdlib>
#include <filesystem>

#include "app/UQuorvex.h"
#include "bench/BareBoard.h"
#include "bench/BenchBus.h"
#include "bench/WindowBench.h"
#include "memory/EepromBoard.h"
#include "memory/UEEPROM.h"
#include "support/Feedback.h"

namespace {

std::shared_ptr<VirtualBoard> g_board;

// range(0) 1: the board takes a real low-speed board's time per transfer.
void SetUpBus(const benchmark::State& state)
{
    g_board = PlugBoardAmong(1);
    if (state.range(0))
        g_board->Latency = VirtualBoard::LowSpeedTiming;
    SelUsbPortId = static_cast<uint8_t>(VirtualUsbfs::Instance().DeviceNumber(*g_board));
}

// 512 one-byte transfers of the request on the opened board.
void BarePass(int requestType, int request)
{
    BareWithSelectedBoard([&](usb_dev_handle* h) {
        char byte = 0;
        for (int address = 0; address < 512; ++address)
            if (usb_control_msg(h, requestType, request, address, 0x5A, &byte, 1, 5000) != 1)
                std::abort();
    });
}

void BM_BareRead(benchmark::State& state)
{
    SetUpBus(state);
    for (auto _ : state)
        BarePass(0xC0, 0x11);
}

void BM_EditorRead(benchmark::State& state)
{
    SetUpBus(state);
    TFormEEPROM editor;
    for (auto _ : state)
        editor.ReadEEPROM2Click();
}

// Backup read, write, verification read.
void BM_BareWriteWithBackupAndVerify(benchmark::State& state)
{
    SetUpBus(state);
    for (auto _ : state) {
        BarePass(0xC0, 0x11);
        BarePass(0x40, 0x10);
        BarePass(0xC0, 0x11);
    }
}

// The device part of both without the window: transfers, backup file, comparison.
void BM_ReadBoardEeprom(benchmark::State& state)
{
    SetUpBus(state);
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadBoardEeprom());
}

void BM_WriteBoardEeprom(benchmark::State& state)
{
    SetUpBus(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteBoardEeprom([](int, const char*) {}));
        state.PauseTiming();
        std::filesystem::remove_all(BackupFolder());
        state.ResumeTiming();
    }
}

void BM_EditorWriteWithBackupAndVerify(benchmark::State& state)
{
    SetUpBus(state);
    TFormEEPROM editor;
    for (auto _ : state) {
        editor.readEEPROM1Click();
        state.PauseTiming();
        std::filesystem::remove_all(BackupFolder());
        state.ResumeTiming();
    }
}

}  // namespace

// Arg 0: the board answers at once (our cost against the library's); arg 1:
// a real board's time per transfer (what the user waits for).
BENCHMARK(BM_BareRead)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadBoardEeprom)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorRead)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareWriteWithBackupAndVerify)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteBoardEeprom)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EditorWriteWithBackupAndVerify)->Arg(0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BareRead)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorRead)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareWriteWithBackupAndVerify)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorWriteWithBackupAndVerify)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    PrepareWindowBench();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "quorvex-bench-editor";
    ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    QApplication app(argc, argv);
    app.setApplicationName("Quorvex");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}
