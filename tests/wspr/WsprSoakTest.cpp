// The beacon left alone for hours of driven time: the board is unplugged
// every few slots and comes back after a while (under a new device number),
// and now and then one of the virtual usbfs's faults hits it for a moment.
// Every tone must go out in a picked slot at its symbol's time, never twice;
// every slot that finds the board sound gets its whole transmission; and the
// beacon's file descriptors and heap stay flat. The totals are printed.
#include <gtest/gtest.h>
#include <malloc.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <random>

#include "BeaconDriver.h"
#include "UsbFixture.h"
#include "tests/common/UsbfsFaults.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QUORVEX_ASAN 1
#endif
#ifdef QUORVEX_ASAN
#include <sanitizer/allocator_interface.h>
#endif

namespace {

using namespace std::chrono_literals;

constexpr int64_t Slots = 720;  // a day
constexpr auto SymbolLength = std::chrono::nanoseconds(682666667);

size_t HeapInUse()
{
#ifdef QUORVEX_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

long OpenDescriptors()
{
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {});
}

class WsprSoak : public UsbTest {};

}  // namespace

TEST_F(WsprSoak, HoursOfReplugsAndFaultsLeaveTheScheduleTheDescriptorsAndTheHeapAlone)
{
    auto board = PlugBoard(u"VELNOR-I2C", u"7");
    SelSerial = "7";
    const TWsprSlotRule rule = WsprShareRule(50);
    // A message of two transmissions, so the order they take turns in is checked too.
    TWsprBeacon beacon({WsprTransmissions(ParseWsprMessage("K1ABC FN42AX 37")),
                        PlanWsprTones(WsprToneFrequencies(14095600, 1500), FxtalMHz, SpeedGrade), 200e6, rule, 5});
    const auto& transmissions = beacon.Settings().Transmissions;
    const auto& registers = beacon.Settings().Tones.Registers;
    TBeaconDriver driver;
    beacon.Now = [&] { return driver.Now; };
    beacon.UtcNow = [&] { return driver.Utc(); };
    const WsprUtc::time_point first = WsprTransmissionStart(TBeaconDriver::FirstSlot);
    const auto slotIndex = [](WsprUtc::time_point t) { return WsprSlotOf(t - WsprStartDelay) - TBeaconDriver::FirstSlot; };

    TWsprSlotPicker same(rule, 5);
    std::vector<bool> picked(Slots);
    for (int64_t s = 0; s < Slots; ++s)
        picked[static_cast<size_t>(s)] = same.Transmits(TBeaconDriver::FirstSlot + s);

    // One episode at a time: the board is unplugged every three to six slots
    // for half a second to five minutes, and between those one of the usbfs
    // faults hits it for up to five seconds every one to fifteen minutes.
    std::mt19937 random(22);
    const auto after = [&](int minMs, int maxMs) {
        return driver.Utc() + std::chrono::milliseconds(std::uniform_int_distribution<int>(minMs, maxMs)(random));
    };
    enum { Sound, Unplugged, Faulted } state = Sound;
    WsprUtc::time_point unplugAt = first + 200s, faultAt = first + 50s, endAt{};
    const FaultCase* fault = nullptr;
    // Slots an episode may have touched: from 2 s before it to its end.
    std::vector<bool> touched(Slots);
    const auto touch = [&](WsprUtc::time_point from, WsprUtc::time_point to) {
        for (int64_t s = std::max<int64_t>(0, slotIndex(from - 2s)); s <= std::min(slotIndex(to), Slots - 1); ++s)
            touched[static_cast<size_t>(s)] = true;
    };
    driver.NextEvent = [&] { return driver.At(state == Sound ? std::min(unplugAt, faultAt) : endAt); };
    int replugs = 0, faults = 0;

    std::vector<int> tones(Slots), lastSymbol(Slots, -1);
    std::vector<bool> begun(Slots), givenUp(Slots);
    std::vector<size_t> carried(Slots);
    int outOfSlot = 0, offSchedule = 0, maxOpen = 0;
    size_t reports = 0;
    size_t heapAfterWarmUp = 0;
    long descriptorsAfterWarmUp = 0;
    while (slotIndex(driver.Utc()) < Slots) {
        const int64_t slot = slotIndex(driver.Utc());
        beacon.Poll();
        if (beacon.Transmitting() && slot >= 0) {
            const auto s = static_cast<size_t>(slot);
            begun[s] = true;
            carried[s] = static_cast<size_t>(&beacon.Current() - transmissions.data());
            givenUp[s] = givenUp[s] || beacon.GivenUp();
        }
        for (const TransferRecord& r : board->Log) {
            if (r.Request != 0x30 || r.Result != 6)
                continue;
            TRegisterBlock block;
            std::copy(r.Bytes.begin(), r.Bytes.end(), block.begin());
            if (std::find(registers.begin(), registers.end(), block) == registers.end())
                continue;  // the off frequency
            const auto since = driver.Utc() - WsprTransmissionStart(TBeaconDriver::FirstSlot + slot);
            const auto k = static_cast<int>(std::lround(std::chrono::duration<double>(since) / SymbolLength));
            const auto s = static_cast<size_t>(slot);
            if (slot < 0 || !picked[s] || k < 0 || k >= 162) {
                ++outOfSlot;
                continue;
            }
            if (std::chrono::abs(since - k * SymbolLength) >= 1ms || k <= lastSymbol[s] ||
                block != registers[transmissions[carried[s]].Symbols[static_cast<size_t>(k)]])
                ++offSchedule;
            lastSymbol[s] = k;
            ++tones[s];
        }
        board->Log.clear();
        reports += beacon.TakeReports().size();  // as the window takes them
        maxOpen = std::max(maxOpen, Fs.OpenFiles());

        const WsprUtc::time_point utc = driver.Utc();
        if (state == Sound && utc >= unplugAt) {
            Fs.Unplug(*board);
            state = Unplugged;
            endAt = after(500, 300000);
            touch(utc, endAt);
        } else if (state == Sound && utc >= faultAt) {
            fault = &UsbfsFaults[std::uniform_int_distribution<size_t>(1, std::size(UsbfsFaults) - 1)(random)];
            InjectFault(Fs, *board, *fault, 1);
            state = Faulted;
            endAt = after(1, 5000);
            touch(utc, endAt);
            ++faults;
        } else if (state != Sound && utc >= endAt) {
            HealBoard(Fs, board);
            replugs += state == Unplugged;
            state = Sound;
            unplugAt = std::max(unplugAt, after(360000, 720000));
            faultAt = after(60000, 900000);
        }
        if (slot == 10 && heapAfterWarmUp == 0) {
            heapAfterWarmUp = HeapInUse();
            descriptorsAfterWarmUp = OpenDescriptors();
        }
        driver.Now = std::max(driver.Now, std::min(beacon.NextWake(), driver.NextEvent()));
    }
    const size_t heapAtEnd = HeapInUse();
    const long descriptorsAtEnd = OpenDescriptors();

    // Every picked slot began, in turn; a transmission given up is sent again next.
    size_t owed = 0;
    int sound = 0, whole = 0;
    for (size_t s = 0; s < static_cast<size_t>(Slots); ++s) {
        EXPECT_EQ(begun[s], picked[s]) << "slot " << s;
        if (!begun[s])
            continue;
        EXPECT_EQ(carried[s], owed) << "slot " << s;
        if (!givenUp[s])
            owed = (owed + 1) % transmissions.size();
        if (!touched[s]) {
            ++sound;
            EXPECT_EQ(tones[s], 162) << "slot " << s << " found the board sound";
        }
        whole += tones[s] == 162;
    }
    EXPECT_EQ(outOfSlot, 0) << "tones outside a picked slot's transmission";
    EXPECT_EQ(offSchedule, 0) << "tones off their symbol's time, sent twice, or not the symbol due";
    EXPECT_LE(maxOpen, 1) << "the beacon holds one handle at most";
    EXPECT_GE(replugs, Slots / 10);
    EXPECT_GE(faults, Slots / 10);
    EXPECT_LE(reports, static_cast<size_t>(replugs + 2 * faults)) << "once per episode or transmission";
    EXPECT_GE(sound, Slots / 4);
    EXPECT_EQ(descriptorsAtEnd, descriptorsAfterWarmUp);
    const long heapGrowth = static_cast<long>(heapAtEnd) - static_cast<long>(heapAfterWarmUp);
    EXPECT_LT(heapGrowth, 64 * 1024) << "bytes";
    std::cout << "soak: " << Slots << " slots (" << Slots / 30 << " h), " << replugs << " replugs, " << faults
              << " faults; " << std::count(picked.begin(), picked.end(), true) << " slots picked, " << whole
              << " sent whole, " << sound << " found the board sound, " << beacon.TransmissionsGivenUp()
              << " given up, " << reports << " reports; descriptors " << descriptorsAfterWarmUp << " -> " << descriptorsAtEnd << ", heap "
              << heapAfterWarmUp << " -> " << heapAtEnd << " bytes (" << heapGrowth << ")\n";
    beacon.Link.Close();
}
