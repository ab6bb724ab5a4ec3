// Our device-link operations side by side with the bare libusb calls they
// must make, on the virtual bus. The board model answers at once, so what
// remains is the library's cost and ours.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "bench/BareBoard.h"
#include "bench/BenchBus.h"
#include "tests/common/CountingNew.h"
#include "usb/DeviceList.h"
#include "usb/FlashCommands.h"
#include "usb/SynthCommands.h"

namespace {

std::shared_ptr<VirtualBoard> g_board;

void SetUpBus(int devices)
{
    g_board = PlugBoardAmong(devices);
    SelUsbPortId = static_cast<uint8_t>(VirtualUsbfs::Instance().DeviceNumber(*g_board));
}

void BareSetFrequency()
{
    BareWithSelectedBoard([](usb_dev_handle* h) {
        char regs[6] = {0x4F, 0x42, static_cast<char>(0xD9), 0x1F, static_cast<char>(0xE2), static_cast<char>(0xF8)};
        usb_control_msg(h, 0x40, 0x30, 0x0755, 0, regs, 6, 5000);
    });
}

void BM_BareSetFrequency(benchmark::State& state)
{
    SetUpBus(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        BareSetFrequency();
    }
}

void BM_SetFrequency(benchmark::State& state)
{
    SetUpBus(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetFrequency(14000000));
    }
}

// The board chosen by its serial, where it was last time: found without
// asking its serial again, so no transfer is added to the bare path's.
void BM_SetFrequencyChosenBySerial(benchmark::State& state)
{
    g_board = PlugBoardAmong(static_cast<int>(state.range(0)), u"SN1");
    SelSerial = "SN1";
    SetFrequency(14000000);  // found by its serial once
    for (auto _ : state) {
        benchmark::DoNotOptimize(SetFrequency(14000000));
    }
    SelSerial = "NONE";
    ForgetChosenBoard();
}

void BM_BarePollControlMessage(benchmark::State& state)
{
    SetUpBus(1);
    OpenPersistent(true);
    char key;
    for (auto _ : state) {
        benchmark::DoNotOptimize(usb_control_msg(PersistentHandle, 0xC0, 0x51, 0, 0, &key, 1, 5000));
    }
    OpenPersistent(false);
}

void BM_PollFskKeyUnchanged(benchmark::State& state)
{
    SetUpBus(1);
    OpenPersistent(true);
    FskBaseFrequency = 14000000;
    FskShiftedFrequency = 14000100;
    FskLastKeyState = g_board->KeyByte;
    const long before = AllocationCount;
    for (auto _ : state) {
        PollFskKey();
    }
    state.counters["allocations"] = static_cast<double>(AllocationCount - before);
    OpenPersistent(false);
}

// The whole EEPROM, one byte per transfer, without any check.
void BM_BareReadEeprom(benchmark::State& state)
{
    SetUpBus(1);
    for (auto _ : state) {
        BareWithSelectedBoard([](usb_dev_handle* h) {
            for (int address = 0; address < 512; ++address)
                usb_control_msg(h, 0xC0, 0x11, address, 255, reinterpret_cast<char*>(&EepromImage[address]), 1,
                                5000);
        });
    }
}

void BM_ReadEepromImage(benchmark::State& state)
{
    SetUpBus(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadEepromImage());
    }
}

void BM_BareWriteEeprom(benchmark::State& state)
{
    SetUpBus(1);
    for (auto _ : state) {
        BareWithSelectedBoard([](usb_dev_handle* h) {
            char unused = 0;
            for (int address = 0; address < 512; ++address)
                usb_control_msg(h, 0x40, 0x10, address, EepromImage[address], &unused, 1, 5000);
        });
    }
}

void BM_WriteEepromImage(benchmark::State& state)
{
    SetUpBus(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteEepromImage());
    }
}

// Programming 4 KiB above the boot section, with the 10 ms pause before each
// block that lets the window draw its progress.
constexpr int FlashStart = 0x1000;
constexpr int FlashBytes = 4096;

void PauseBeforeBlock()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void BM_BareProgramFlash(benchmark::State& state)
{
    SetUpBus(1);
    std::vector<char> image(FlashStart + FlashBytes, 0x5A);
    for (auto _ : state) {
        BareWithSelectedBoard([&](usb_dev_handle* h) {
            char reply[64];
            usb_control_msg(h, 0xC0, 0xFE, 0, 0, reply, 64, 5000);
            int address = FlashStart;
            for (; address < FlashStart + FlashBytes; address += 64) {
                char block[64];
                std::memcpy(block, &image[static_cast<size_t>(address)], 64);
                PauseBeforeBlock();
                usb_control_msg(h, 0x40, 0xEE, 0x00FF, address, block, 64, 5000);
                usb_control_msg(h, 0xC0, 0xEE, 0x00EE, address, block, 64, 5000);
            }
            usb_control_msg(h, 0xC0, 0xEC, 0xFFFF, address - 64, reply, 64, 5000);
            usb_control_msg(h, 0xC0, 0xED, 0xFFFF, address - 64, reply, 64, 5000);
        });
    }
}

void BM_ProgramFlash(benchmark::State& state)
{
    SetUpBus(1);
    const std::vector<uint8_t> image(FlashStart + FlashBytes, 0x5A);
    for (auto _ : state) {
        ProgramFlash(image, FlashStart, [](int) { PauseBeforeBlock(); });
    }
}

}  // namespace

BENCHMARK(BM_BareProgramFlash)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ProgramFlash)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BareReadEeprom);
BENCHMARK(BM_ReadEepromImage);
BENCHMARK(BM_BareWriteEeprom);
BENCHMARK(BM_WriteEepromImage);
BENCHMARK(BM_BareSetFrequency)->Arg(1)->Arg(20);
BENCHMARK(BM_SetFrequency)->Arg(1)->Arg(20);
BENCHMARK(BM_SetFrequencyChosenBySerial)->Arg(1)->Arg(20);
BENCHMARK(BM_BarePollControlMessage);
BENCHMARK(BM_PollFskKeyUnchanged);
