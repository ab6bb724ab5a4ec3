// The keyer on the air: what each tick sends to the virtual board, the symbol
// lengths, the commands and the restart at the end of the code.
#include <QSignalSpy>
#include <QTest>

#include "MeptFixture.h"

namespace {

constexpr double Hz = 0.05;  // the Si570's resolution at 10 MHz is far finer

}  // namespace

using Transmission = MeptTest;

TEST_F(Transmission, EachSymbolSendsItsFrequencyThroughMultiplierAndOffset)
{
    struct Case {
        const char* Code;
        double Multiplier;
        double OffsetMHz;
        double Expected;
    } const cases[] = {
        {"8", 1, 0, 10000000}, {"0", 1, 0, 9999992}, {"F", 1, 0, 10000007}, {"f", 1, 0, 10000007},
        {"X", 1, 0, 200000000}, {"x", 1, 0, 200000000}, {"Z", 1, 0, 200000000}, {"#", 1, 0, 200000000},
        {"8", 2, 1, 21000000}, {"X", 0.5, -10, 90000000}, {"0", 4, 0, 39999968},
    };
    OpenOnline();
    for (const Case& c : cases) {
        Multiplier = c.Multiplier;
        Offset = c.OffsetMHz;
        Transmit(c.Code);
        Board->Log.clear();
        Tick();
        EXPECT_DOUBLE_EQ(Si570Frequency, c.Expected) << c.Code;
        const std::vector<double> sent = SentFrequencies();
        ASSERT_EQ(sent.size(), 1u) << c.Code;
        EXPECT_NEAR(sent[0], c.Expected, Hz) << c.Code;
        ClickTransmit();
    }
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Transmission, StartingSendsNothingUntilTheFirstTick)
{
    OpenOnline();
    Transmit("8F");
    EXPECT_TRUE(Keyer->SpeedTransmit->isChecked());
    EXPECT_TRUE(Keyer->Timer1->isActive());
    EXPECT_EQ(Keyer->Timer1->interval(), 1000);
    EXPECT_EQ(Keyer->SymbolTimeMs, 1000);
    EXPECT_TRUE(Board->Log.empty());
}

TEST_F(Transmission, SThreeMakesTheNextSymbolFourSymbolTimesLong)
{
    OpenOnline();
    Keyer->Edit1->setText("0.25");
    Transmit("S38S08", 1);
    EXPECT_EQ(Keyer->Timer1->interval(), 1000);
    EXPECT_EQ(Keyer->Drawing.GraphX, 12);
    EXPECT_EQ(Keyer->Drawing.DurationFactor, 4);
    Tick();
    EXPECT_EQ(Keyer->Timer1->interval(), 250);
    EXPECT_EQ(Keyer->Drawing.GraphX, 15);
    const std::vector<double> sent = SentFrequencies();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NEAR(sent[1], 10000000, Hz);
}

// The commands that take no time, and the end of the code: which ticks send
// which symbol value (-1: off, no entry: nothing sent).
TEST_F(Transmission, CommandsOfEitherCaseOverTwoPasses)
{
    struct Case {
        const char* Code;
        std::vector<std::vector<double>> PerTick;  // frequencies sent on ticks 1, 2, ...
    } const cases[] = {
        {"P8F", {{10000007}, {}, {10000007}}},
        {"p8f", {{10000007}, {}, {10000007}}},
        {"8S", {{10000000}, {}, {}, {10000000}}},
        {"8P", {{10000000}, {}, {}, {10000000}}},
        {"s3A", {{10000002}, {}, {10000002}}},
        {"SZ8", {{10000000}, {}, {10000000}}},
        {"8X", {{10000000}, {200000000}, {}, {10000000}}},
    };
    OpenOnline();
    for (const Case& c : cases) {
        Transmit(c.Code);
        for (size_t tick = 0; tick < c.PerTick.size(); ++tick) {
            Board->Log.clear();
            Tick();
            const std::vector<double> sent = SentFrequencies();
            ASSERT_EQ(sent.size(), c.PerTick[tick].size()) << c.Code << " tick " << tick + 1;
            for (size_t i = 0; i < sent.size(); ++i)
                EXPECT_NEAR(sent[i], c.PerTick[tick][i], Hz) << c.Code << " tick " << tick + 1;
        }
        ClickTransmit();
    }
}

TEST_F(Transmission, TwoPassesOnTheAirTickByTick)
{
    OpenOnline();
    Transmit("8F");
    // Previous frequency for one tick, 8 for one, F for two (its own and the
    // restart), and so on.
    std::vector<std::pair<int, double>> onAir;
    for (int tick = 1; tick <= 8; ++tick) {
        Board->Log.clear();
        Tick();
        for (const double f : SentFrequencies())
            onAir.emplace_back(tick, f);
    }
    const std::vector<std::pair<int, double>> expected = {
        {1, 10000000}, {2, 10000007}, {4, 10000000}, {5, 10000007}, {7, 10000000}, {8, 10000007}};
    ASSERT_EQ(onAir.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(onAir[i].first, expected[i].first) << i;
        EXPECT_NEAR(onAir[i].second, expected[i].second, Hz) << i;
    }
    EXPECT_NEAR(BoardOutputHz(), BoardOutputFor(10000007), 1);
}

TEST_F(Transmission, TheRestartReadsTheFieldsAndTheCodeAgain)
{
    OpenOnline();
    Transmit("8", 1);
    SetCode("0");  // the next pass sends the new code
    Keyer->Edit2->setText("2");
    Keyer->Edit1->setText("0.5");
    Tick();  // restart
    EXPECT_EQ(Keyer->Timer1->interval(), 500);
    Board->Log.clear();
    Tick();
    ASSERT_EQ(SentFrequencies().size(), 1u);
    EXPECT_NEAR(SentFrequencies()[0], 9999984, Hz);
}

TEST_F(Transmission, AQStopsReleasesTransmitAndLeavesTheOffFrequency)
{
    OpenOnline();
    Keyer->Edit3->setText("150");
    Transmit("8Q9", 1);
    Board->Log.clear();
    QSignalSpy toggled(Keyer->SpeedTransmit, &QPushButton::toggled);
    Tick();
    EXPECT_FALSE(Keyer->SpeedTransmit->isChecked());
    EXPECT_EQ(toggled.count(), 0) << "released without running its handler";
    EXPECT_FALSE(Keyer->Timer1->isActive());
    const std::vector<double> sent = SentFrequencies();
    ASSERT_EQ(sent.size(), 2u) << "stopping sends the off frequency, then the Q sends it once more";
    EXPECT_NEAR(sent[0], 150000000, Hz);
    EXPECT_NEAR(sent[1], 150000000, Hz);
    EXPECT_NEAR(BoardOutputHz(), BoardOutputFor(150000000), 1);
    EXPECT_EQ(Keyer->Transmission.PendingCode, "9");
}

TEST_F(Transmission, ReleasingTransmitStopsWithTheOffFrequency)
{
    OpenOnline();
    Multiplier = 2;
    Transmit("8F", 1);
    Board->Log.clear();
    ClickTransmit();
    EXPECT_FALSE(Keyer->Timer1->isActive());
    ASSERT_EQ(SentFrequencies().size(), 1u);
    EXPECT_NEAR(SentFrequencies()[0], 400000000, Hz);
    EXPECT_DOUBLE_EQ(Si570Frequency, 400000000);
}

TEST_F(Transmission, AnEmptyCodeSendsNothingAndRestartsEveryTick)
{
    OpenOnline();
    Transmit("", 1);
    EXPECT_TRUE(Keyer->Transmission.Finished);
    for (int i = 0; i < 3; ++i) {
        Keyer->Drawing.GraphX = 42;
        Tick();
        EXPECT_EQ(Keyer->Drawing.GraphX, 0) << "the restart clears the picture";
        EXPECT_TRUE(Keyer->Transmission.Finished);
        EXPECT_TRUE(Keyer->Timer1->isActive());
    }
    EXPECT_TRUE(Board->Log.empty());
}

TEST_F(Transmission, ARefusedStartNamesTheFieldAndLeavesTransmitReleased)
{
    struct Case {
        QLineEdit* TF_MEPT::*Field;
        const char* Text;
        std::string Error;
    } const cases[] = {
        {&TF_MEPT::Edit2, "1,5", "Frequency Spacing: '1,5' is not a number"},
        {&TF_MEPT::Edit3, "", "Off Frequency (X): '' is not a number"},
        {&TF_MEPT::Edit1, "abc", "Time per Symbol: 'abc' is not a number"},
        {&TF_MEPT::Edit1, "0", "Time per Symbol: '0' is too short, a symbol lasts at least 0.001 seconds"},
        {&TF_MEPT::Edit1, "-2", "Time per Symbol: '-2' is too short, a symbol lasts at least 0.001 seconds"},
        {&TF_MEPT::Edit1, "0.0009", "Time per Symbol: '0.0009' is too short, a symbol lasts at least 0.001 seconds"},
        {&TF_MEPT::Edit1, "1e300", "Time per Symbol out of range: 1E300 s"},
    };
    OpenOnline();
    Keyer->Edit2->setText("2");
    Transmit("8", 1);
    ClickTransmit();
    const auto before = std::make_tuple(Keyer->FrequencySpacing, Keyer->OffFrequency, Keyer->SymbolTimeMs);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text);
        for (QLineEdit* edit : {Keyer->Edit1, Keyer->Edit2, Keyer->Edit3})
            edit->setText("1");
        (Keyer.get()->*c.Field)->setText(c.Text);
        Errors.clear();
        Board->Log.clear();
        ClickTransmit();
        EXPECT_EQ(Errors, std::vector{c.Error});
        EXPECT_FALSE(Keyer->Timer1->isActive());
        EXPECT_FALSE(Keyer->SpeedTransmit->isChecked()) << "released, ready for another try";
        EXPECT_TRUE(Board->Log.empty());
        EXPECT_TRUE(before == std::make_tuple(Keyer->FrequencySpacing, Keyer->OffFrequency, Keyer->SymbolTimeMs));
    }
}

TEST_F(Transmission, ARestartRefusedAtTheEndOfTheCodeEndsTheBeacon)
{
    OpenOnline();
    Transmit("8", 1);
    Keyer->Edit1->setText("abc");
    Board->Log.clear();
    Tick(2);  // the last symbol's tick, then the restart
    EXPECT_EQ(Errors, std::vector<std::string>{"Time per Symbol: 'abc' is not a number"});
    EXPECT_FALSE(Keyer->SpeedTransmit->isChecked());
    EXPECT_FALSE(Keyer->Timer1->isActive());
    ASSERT_FALSE(SentFrequencies().empty());
    EXPECT_NEAR(SentFrequencies().back(), 200000000, Hz) << "the off frequency, as a release leaves it";
}

TEST_F(Transmission, OfflineTheKeyerStepsAndDrawsWithoutTheBoard)
{
    OpenOnline();
    DeviceOnline = false;
    Transmit("8F", 2);
    EXPECT_DOUBLE_EQ(Si570Frequency, 10000007);
    EXPECT_EQ(Keyer->Drawing.GraphX, 6);
    EXPECT_TRUE(Board->Log.empty());
    EXPECT_TRUE(Errors.empty());
}

TEST_F(Transmission, ALostBoardIsReportedOncePerTransmissionAndTheKeyerGoesOn)
{
    OpenOnline();
    Transmit("80F");
    Fs.Unplug(*Board);
    Tick(6);
    EXPECT_EQ(Errors, std::vector<std::string>{"Could not find USB device \"VELNOR-I2C\" with vid=$16C0 and pid=$5DC !"});
    EXPECT_EQ(Keyer->Drawing.GraphX, 6) << "drawn on: 8 0 F, restart, 8 0";
    EXPECT_TRUE(Keyer->Timer1->isActive());
    EXPECT_DOUBLE_EQ(Si570Frequency, 9999992);
    // A new press is a new transmission: its failure is shown again.
    ClickTransmit();
    ClickTransmit();
    Tick();
    EXPECT_EQ(Errors.size(), 3u) << "the release, and the new transmission's first tick";
}

TEST_F(Transmission, ASuccessfulSendEndsTheFailureSoTheNextIsShownAgain)
{
    OpenOnline();
    Transmit("8");
    Board->FailRequest[0x30] = EPIPE;
    Tick(4);
    ASSERT_EQ(Errors.size(), 1u);
    EXPECT_NE(Errors[0].find("Broken pipe"), std::string::npos) << Errors[0];
    Board->FailRequest[0x30] = 0;
    Tick(2);  // restart, then 8 goes out
    EXPECT_EQ(Errors.size(), 1u);
    EXPECT_EQ(SentFrequencies().size(), 1u);
    Board->FailRequest[0x30] = EPIPE;
    Tick(3);
    EXPECT_EQ(Errors.size(), 2u);
}

TEST_F(Transmission, TheRealTimerSendsEachSymbolOnItsScheduleNeverEarly)
{
    OpenOnline();
    Keyer->Edit1->setText("0.02");
    const auto start = std::chrono::steady_clock::now();
    Transmit("S18F");
    QTest::qWait(300);
    ClickTransmit();
    // 8 for two symbol times, F for two (S1 still holds), the restart, again.
    const int dueMs[] = {20, 60, 120, 160, 220, 260};
    std::vector<std::chrono::steady_clock::time_point> received;
    for (const TransferRecord& t : Board->Log)
        if (t.Request == 0x30 && t.Result >= 0)
            received.push_back(t.Time);
    received.pop_back();  // the off frequency on release
    ASSERT_GE(received.size(), 3u);
    for (size_t i = 0; i < std::min(received.size(), std::size(dueMs)); ++i)
        EXPECT_GE(received[i] - start, std::chrono::milliseconds(dueMs[i])) << i;
}
