// The beacon run against the virtual board with driven clocks: it sends only
// in its slots, leaves the off frequency between them, reports failures once
// per transmission, and says when the program held it up.
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
        ASSERT_TRUE(OpenPersistent(true));
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
    struct Case {
        const char* What;
        std::function<void()> Break;
        const char* Report;
    };
    const Case cases[] = {
        {"stalled writes", [this] { Board->FailRequest[0x30] = EPIPE; },
         "Writing the Si570 registers failed at I2C address 0x55: "},
        {"no handle", [] { OpenPersistent(false); },
         "The beacon's frequency could not be sent: the board is not open."},
    };
    for (const Case& c : cases) {
        SetUp();
        TWsprBeacon beacon(Settings("K1ABC FN42 37"));
        Driver = {};
        Driver.Run(beacon, *Board, [] { return true; });  // the off frequency before the first slot
        c.Break();
        for (int transmission = 0; transmission < 2; ++transmission) {
            Driver.RunTransmission(beacon, *Board);
            const auto reports = beacon.TakeReports();
            ASSERT_EQ(reports.size(), 1u) << c.What;
            EXPECT_TRUE(reports[0].starts_with(c.Report)) << c.What << ": " << reports[0];
        }
        Board->FailRequest.clear();
        ASSERT_TRUE(OpenPersistent(true));
        Driver.RunTransmission(beacon, *Board);
        EXPECT_TRUE(beacon.TakeReports().empty()) << c.What;
        TearDown();
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
