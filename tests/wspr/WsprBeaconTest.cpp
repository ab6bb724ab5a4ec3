// The beacon run against the virtual board with driven clocks: it sends only
// in its slots, leaves the off frequency between them, reports failures once
// per transmission, says when the program held it up, and goes on in the
// first slot after a board that went away is back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "BeaconDriver.h"
#include "UsbFixture.h"

namespace {

using namespace std::chrono_literals;

constexpr double Dial = 14095600;
constexpr double OffHz = 200e6;

class WsprBeaconTest : public UsbTest {
protected:
    std::shared_ptr<VirtualBoard> Board;
    TBeaconDriver Driver;

    void SetUp() override
    {
        UsbTest::SetUp();
        Board = PlugBoard();
    }

    static TWsprBeaconSettings Settings(const char* message, TWsprSlotRule slots = WsprEveryRule(1),
                                        uint32_t seed = 0)
    {
        return {WsprTransmissions(ParseWsprMessage(message)),
                PlanWsprTones(WsprToneFrequencies(Dial, 1500), FxtalMHz, SpeedGrade), OffHz, slots, seed};
    }

    static bool IsTone(const TWsprBeacon& beacon, const TRegisterBlock& block)
    {
        const auto& tones = beacon.Settings().Tones.Registers;
        return std::find(tones.begin(), tones.end(), block) != tones.end();
    }

    static TRegisterBlock OffRegisters()
    {
        TDividerSetting s;
        EXPECT_TRUE(FindDividers(OffHz / 1e6, FxtalMHz, SpeedGrade, s));
        return PackRegisters(s);
    }
};

}  // namespace

// Forty slots with a 30 % share: tones go out only within the transmissions
// of the slots the picker chose, 162 in each; every other write is the off
// frequency.
TEST_F(WsprBeaconTest, TonesGoOutOnlyInThePickedSlots)
{
    const TWsprSlotRule rule = WsprShareRule(30);
    TWsprBeacon beacon(Settings("K1ABC FN42 37", rule, 99));
    const auto writes = Driver.Run(beacon, *Board, [&] { return Driver.Utc() >= WsprTransmissionStart(1040); });

    TWsprSlotPicker same(rule, 99);
    std::vector<int64_t> expected;
    for (int64_t slot = 1000; slot <= 1040; ++slot)  // the run ends as 1040 begins
        if (same.Transmits(slot))
            expected.push_back(slot);
    std::map<int64_t, int> tonesPerSlot;
    for (const auto& w : writes) {
        if (!IsTone(beacon, w.Block)) {
            EXPECT_EQ(w.Block, OffRegisters());
            continue;
        }
        const int64_t slot = WsprSlotOf(w.At - WsprStartDelay);
        EXPECT_GE(w.At, WsprTransmissionStart(slot));
        EXPECT_LT(w.At, WsprTransmissionStart(slot) + 110592ms);
        ++tonesPerSlot[slot];
    }
    std::vector<int64_t> transmitted;
    for (const auto& [slot, tones] : tonesPerSlot) {
        transmitted.push_back(slot);
        if (slot < 1040) {
            EXPECT_EQ(tones, 162) << slot;
        }
    }
    EXPECT_EQ(transmitted, expected);
    const bool lastBegun = !expected.empty() && expected.back() == 1040;
    EXPECT_EQ(beacon.TransmissionsSent(), static_cast<int>(expected.size()) - lastBegun);
    EXPECT_EQ(writes.front().Block, OffRegisters()) << "the first poll leaves the off frequency";
    EXPECT_TRUE(beacon.TakeReports().empty());
}

TEST_F(WsprBeaconTest, TheTwoTransmissionsOfAMessageTakeTurns)
{
    TWsprBeacon beacon(Settings("K1ABC FN42AX 37"));
    for (int round = 0; round < 4; ++round) {
        const std::string text = beacon.Current().Text;
        std::vector<TRegisterBlock> tones;
        for (const auto& w : Driver.RunTransmission(beacon, *Board))
            if (IsTone(beacon, w.Block))
                tones.push_back(w.Block);
        EXPECT_EQ(text, round % 2 ? "<K1ABC> FN42AX 37" : "K1ABC FN42 37");
        const auto& symbols = beacon.Settings().Transmissions[static_cast<size_t>(round % 2)].Symbols;
        ASSERT_EQ(tones.size(), symbols.size());
        for (size_t k = 0; k < tones.size(); ++k)
            EXPECT_EQ(tones[k], beacon.Settings().Tones.Registers[symbols[k]]) << k;
    }
}

// A board that fails every write is reported once per transmission with the
// device link's text; when it works again, nothing more is reported.
TEST_F(WsprBeaconTest, FailuresAreReportedOncePerTransmission)
{
    const struct {
        int Errno;
        const char* Text;
    } cases[] = {{EPIPE, "Broken pipe"}, {EPROTO, "Protocol error"}, {ETIMEDOUT, "Connection timed out"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        Board->FailRequest.clear();
        TWsprBeacon beacon(Settings("K1ABC FN42 37"));
        Driver = {};
        Driver.Run(beacon, *Board, [] { return true; });  // the off frequency before the first slot
        Board->FailRequest[0x30] = c.Errno;
        for (int transmission = 0; transmission < 2; ++transmission) {
            Driver.RunTransmission(beacon, *Board);
            const auto reports = beacon.TakeReports();
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0], std::string("Writing the Si570 registers failed at I2C address 0x55: error sending control message: ") +
                                      c.Text);
        }
        EXPECT_FALSE(beacon.BoardAway()) << "the handle stays: the board is there";
        EXPECT_EQ(beacon.TransmissionsGivenUp(), 0);
        Board->FailRequest.clear();
        Driver.RunTransmission(beacon, *Board);
        EXPECT_TRUE(beacon.TakeReports().empty());
    }
}

// The chosen board (named by its serial) leaves the bus and comes back under
// a new device number, at chosen times since the first transmission's start,
// while another board stays on the bus: the tones each slot got (in order,
// from the first symbol), what was reported, how often the beacon looked for
// the board, and that the other board heard nothing.
TEST_F(WsprBeaconTest, ABoardThatWasAwayGetsTheFirstSlotAfterItIsBack)
{
    using namespace std::chrono;
    struct Case {
        const char* What;
        milliseconds Unplug, Back;
        std::vector<int> Tones;  // slots 1000 to 1004
        int Reports;
        int GivenUp;
        int Looks;  // walks of the buses while away: one a second, and one at each slot's first symbol
    };
    // Symbol 43 is due 29.35 s after the start, symbol 44 at 30.04 s.
    const Case cases[] = {
        {"replugged between two symbols", 29800ms, 29800ms, {162, 162, 162, 162, 162}, 0, 0, 0},
        {"away between slots, back before the next", 115s, 118s, {162, 162, 162, 162, 162}, 0, 0, 0},
        {"away between slots, back after the next began", 115s, 125s, {162, 0, 162, 162, 162}, 1, 1, 5},
        {"away in a transmission, back within it", 29800ms, 60s, {44, 162, 162, 162, 162}, 1, 1, 30},
        {"away for three slots", 29800ms, 400s, {44, 0, 0, 0, 162}, 1, 4, 374},
    };
    const std::string report = "Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC ! The chosen "
                               "board (serial 2) is not connected, but another board is present. The beacon looks "
                               "for the board every second and goes on in the first slot after it is back.";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.What);
        UsbTest::SetUp();
        auto other = PlugBoard(u"VELNOR-I2C", u"1");
        Board = PlugBoard(u"VELNOR-I2C", u"2");
        SelSerial = "2";
        TWsprBeacon beacon(Settings("K1ABC FN42 37"));
        Driver = {};
        const WsprUtc::time_point first = WsprTransmissionStart(TBeaconDriver::FirstSlot);
        int stage = 0;  // 0: plugged, 1: away, 2: back
        int looks = 0;
        Driver.NextEvent = [&] {
            return stage == 0   ? Driver.At(first + c.Unplug)
                   : stage == 1 ? Driver.At(first + c.Back)
                                : TBeaconDriver::Clock::time_point::max();
        };
        const auto writes = Driver.Run(
            beacon, *Board, [&] { return beacon.TransmissionsSent() + beacon.TransmissionsGivenUp() == 5; },
            [&] {
                const auto since = Driver.Utc() - first;
                if (stage == 0 && since >= c.Unplug) {
                    Fs.Unplug(*Board);
                    looks = -Calls().FindDevices;
                    stage = 1;
                }
                if (stage == 1 && since >= c.Back) {
                    Fs.Plug(Board);
                    looks += Calls().FindDevices;
                    stage = 2;
                }
            });
        std::vector<int> tones(5);
        for (const auto& w : writes) {
            if (!IsTone(beacon, w.Block))
                continue;
            const int64_t slot = WsprSlotOf(w.At - WsprStartDelay);
            ASSERT_TRUE(slot >= 1000 && slot < 1005) << slot;
            int& sent = tones[static_cast<size_t>(slot - 1000)];
            EXPECT_EQ(w.Block, beacon.Settings().Tones.Registers[beacon.Current().Symbols[static_cast<size_t>(sent)]])
                << "symbol " << sent << " of slot " << slot;
            ++sent;
        }
        EXPECT_EQ(tones, c.Tones);
        EXPECT_EQ(beacon.TakeReports(), std::vector<std::string>(static_cast<size_t>(c.Reports), report));
        EXPECT_EQ(beacon.TransmissionsGivenUp(), c.GivenUp);
        EXPECT_EQ(beacon.TransmissionsSent(), 5 - c.GivenUp);
        EXPECT_NEAR(looks, c.Looks, 1);
        EXPECT_FALSE(beacon.BoardAway());
        EXPECT_EQ(Board->Registers, OffRegisters()) << "between slots";
        EXPECT_EQ(Fs.OpenFiles(), 1) << "the beacon's one handle";
        EXPECT_TRUE(std::none_of(other->Log.begin(), other->Log.end(),
                                 [](const TransferRecord& r) { return r.Request == 0x30; }))
            << "the other board";
        beacon.Link.Close();
    }
}

TEST_F(WsprBeaconTest, SymbolsLeftOutBecauseTheProgramWasHeldUpAreReported)
{
    TWsprBeacon beacon(Settings("K1ABC FN42 37"));
    bool heldUp = false;
    Driver.Run(beacon, *Board, [&] { return beacon.TransmissionsSent() == 1; }, [&] {
        if (!heldUp && beacon.SymbolClock().LastSent() == 50) {
            heldUp = true;
            Driver.Now = beacon.SymbolClock().Due(53);
        }
    });
    EXPECT_EQ(beacon.TakeReports(),
              std::vector<std::string>{"2 of 162 symbols of \"K1ABC FN42 37\" were left out: the program was held up."});
}

// Started after the first symbol's time, the beacon leaves the slot alone.
TEST_F(WsprBeaconTest, ASlotFoundTooLateIsLeftForTheNext)
{
    TWsprBeacon beacon(Settings("K1ABC FN42 37"));
    Driver.Now += 1500ms;  // 1.7 s into the minute of slot 1000
    const auto writes = Driver.RunTransmission(beacon, *Board);
    ASSERT_GT(writes.size(), 2u);
    EXPECT_EQ(writes[1].At, WsprTransmissionStart(1001));
}

TEST_F(WsprBeaconTest, StoppingLeavesTheOffFrequency)
{
    TWsprBeacon beacon(Settings("K1ABC FN42 37"));
    Driver.Run(beacon, *Board, [&] { return beacon.SymbolClock().LastSent() == 20; });
    ASSERT_TRUE(beacon.Transmitting());
    beacon.Stop();
    EXPECT_FALSE(beacon.Transmitting());
    EXPECT_EQ(Board->Registers, OffRegisters());
}

TEST_F(WsprBeaconTest, AnOffFrequencyTheSi570CannotMakeIsRefused)
{
    TWsprBeaconSettings s = Settings("K1ABC FN42 37");
    s.OffHz = 1e6;
    EXPECT_THROW(TWsprBeacon{s}, WsprError);
    s.OffHz = 0;  // the start-up frequency
    EXPECT_NO_THROW(TWsprBeacon{s});
    s.Transmissions.clear();
    EXPECT_THROW(TWsprBeacon{s}, WsprError);
}
