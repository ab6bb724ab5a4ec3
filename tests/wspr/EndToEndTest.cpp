// A beacon transmission through the real device link into the virtual
// board, heard as a receiver would: the register writes the board received
// become its output frequency over time (with the board's true crystal),
// the output less the dial frequency becomes 12 kHz audio, and the reference
// decoder must read the message from it. The test drives the clocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BeaconDriver.h"
#include "ReferenceTools.h"
#include "UsbFixture.h"
#include "wspr/WsprBeacon.h"

namespace {

constexpr int SampleRate = 12000;

// The board's output from one register write on, in time since the slot's even minute.
struct TStep {
    double AtS;
    double OutputHz;
};

class WsprEndToEnd : public UsbTest {
protected:
    std::shared_ptr<VirtualBoard> Board;
    std::filesystem::path Dir;

    void SetUp() override
    {
        UsbTest::SetUp();
        Board = PlugBoard();
        FxtalMHz = Board->Settings().TrueXtalMHz;  // a calibrated program
        Dir = std::filesystem::temp_directory_path() / ("wspr-e2e-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override
    {
        std::filesystem::remove_all(Dir);
        UsbTest::TearDown();
    }

    TBeaconDriver Driver;

    // Runs the beacon until its next transmission has ended: what the board
    // made from each register write on, timed from the even minute of `slot`.
    std::vector<TStep> Transmit(TWsprBeacon& beacon, int64_t slot)
    {
        const WsprUtc::time_point minute = WsprTransmissionStart(slot) - WsprStartDelay;
        std::vector<TStep> steps;
        for (const TBeaconDriver::TWrite& w : Driver.RunTransmission(beacon, *Board))
            steps.push_back({std::chrono::duration<double>(w.At - minute).count(),
                             RegisterOutputMHz(w.Block, Board->Settings().TrueXtalMHz) * 1e6});
        return steps;
    }

    // Two minutes of 16-bit mono audio: a phase-continuous tone at output
    // less dial wherever that lies in the audio band, in a little noise.
    std::string Render(const std::vector<TStep>& steps, double dialHz, const std::string& name)
    {
        const size_t samples = 120 * SampleRate;
        std::vector<int16_t> pcm(samples);
        std::mt19937 rng(1);
        std::normal_distribution<double> noise(0, 3000);
        double phase = 0;
        size_t step = 0;
        for (size_t i = 0; i < samples; ++i) {
            const double t = static_cast<double>(i) / SampleRate;
            while (step < steps.size() && steps[step].AtS <= t)
                ++step;
            const double audio = step == 0 ? -1 : steps[step - 1].OutputHz - dialHz;
            const bool heard = audio > 0 && audio < SampleRate / 2;
            phase = std::fmod(phase + 2 * M_PI * (heard ? audio : 0) / SampleRate, 2 * M_PI);
            pcm[i] = static_cast<int16_t>(std::lround((heard ? 8000 * std::sin(phase) : 0) + noise(rng)));
        }
        const std::string path = (Dir / name).string();
        std::ofstream wav(path, std::ios::binary);
        const auto put32 = [&](uint32_t v) { wav.write(reinterpret_cast<const char*>(&v), 4); };
        const auto put16 = [&](uint16_t v) { wav.write(reinterpret_cast<const char*>(&v), 2); };
        const auto bytes = static_cast<uint32_t>(pcm.size() * 2);
        wav.write("RIFF", 4);
        put32(36 + bytes);
        wav.write("WAVEfmt ", 8);
        put32(16);
        put16(1);
        put16(1);
        put32(SampleRate);
        put32(SampleRate * 2);
        put16(2);
        put16(16);
        wav.write("data", 4);
        put32(bytes);
        wav.write(reinterpret_cast<const char*>(pcm.data()), bytes);
        return path;
    }

    std::string Decode(const std::string& bin, const std::string& wav, double dialHz)
    {
        char dial[32];
        std::snprintf(dial, sizeof dial, "%.6f", dialHz / 1e6);
        return RunCommand("cd '" + Dir.string() + "' && " + bin + "/wsprd -f " + dial + " '" + wav + "'");
    }
};

TWsprBeaconSettings Settings(const TWsprMessage& message, double dialHz)
{
    return {WsprTransmissions(message), PlanWsprTones(WsprToneFrequencies(dialHz, 1500), FxtalMHz, SpeedGrade),
            200e6, WsprEveryRule(1), 0};
}

}  // namespace

TEST_F(WsprEndToEnd, TheDecoderReadsTheMessageFromTheBoardsOutput)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    const double dial = 14095600;
    TWsprBeacon beacon(Settings(ParseWsprMessage("K1ABC FN42 37"), dial));
    const int opens = Calls().Open;
    const std::vector<TStep> steps = Transmit(beacon, 1000);
    EXPECT_EQ(Calls().Open, opens + 1) << "the board is opened once, and every write goes over that handle";

    // The off frequency, 162 tones on the symbol clock from hh:mm:01, the off frequency.
    ASSERT_EQ(steps.size(), 164u);
    EXPECT_DOUBLE_EQ(steps.front().OutputHz, steps.back().OutputHz);
    for (int k = 0; k < 162; ++k)
        EXPECT_NEAR(steps[static_cast<size_t>(k) + 1].AtS, 1 + k * 8192.0 / 12000, 1e-6) << k;

    // The decoder's line: time, SNR, time offset, frequency of the signal's
    // centre (dial plus audio offset), drift, message.
    const std::string out = Decode(bin, Render(steps, dial, "000000_0002.wav"), dial);
    double snr = 0, dt = 9, mhz = 0;
    int drift = 9;
    char message[40] = "";
    ASSERT_EQ(std::sscanf(out.c_str(), "%*s %lf %lf %lf %d %39[^\n]", &snr, &dt, &mhz, &drift, message), 5) << out;
    EXPECT_STREQ(message, "K1ABC FN42 37 ");
    EXPECT_NEAR(dt, 0, 0.15) << "the transmission started at hh:mm:01";
    EXPECT_NEAR(mhz, 14.0971, 0.0000015);
    EXPECT_EQ(drift, 0);
}

TEST_F(WsprEndToEnd, ACompoundCallWithItsLocatorIsReadFromItsTwoTransmissions)
{
    REQUIRE_REFERENCE_TOOLS(bin);
    const double dial = 7038600;
    TWsprBeacon beacon(Settings(ParseWsprMessage("PJ4/K1ABC FK52UD 37"), dial));
    const std::string first = Decode(bin, Render(Transmit(beacon, 1000), dial, "000000_0002.wav"), dial);
    EXPECT_NE(first.find("PJ4/K1ABC 37"), std::string::npos) << first;
    // The second carries the call as a hash, which the decoder learned from the first.
    const std::string second = Decode(bin, Render(Transmit(beacon, 1001), dial, "000000_0004.wav"), dial);
    EXPECT_NE(second.find("<PJ4/K1ABC> FK52UD 37"), std::string::npos) << second;
}
