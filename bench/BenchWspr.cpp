// One real-time WSPR transmission from the beacon window into the virtual
// board with a real board's low-speed timing: when each symbol's register
// write reached the board against the ideal schedule from hh:mm:01.000, the
// tones' error and the divider changes within the transmission. Waits for
// the next even minute, so a run takes up to four minutes.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <set>
#include <vector>

#include "app/Program.h"
#include "bench/BenchBus.h"
#include "bench/WindowBench.h"
#include "support/Feedback.h"
#include "usb/DeviceList.h"
#include "wspr/UWspr.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())));
    return values[i];
}

void BM_WsprTransmission(benchmark::State& state)
{
    auto board = PlugBoardAmong(1);
    board->Latency = VirtualBoard::LowSpeedTiming;
    if (!SelectDevice())
        throw std::runtime_error("the virtual board was not found");
    TFormWspr window;
    window.EditCall->setText("K1ABC");
    window.EditLocator->setText("FN42");
    window.RadioEvery->setChecked(true);
    window.EditEvery->setText("1");

    for (auto _ : state) {
        board->Log.clear();
        board->Recording = true;
        window.ButtonStart->setChecked(true);
        if (!window.Beacon)
            throw std::runtime_error(window.StatusBar1->text().toStdString());
        // UTC against the monotonic clock, once: the schedule is judged on the latter.
        const Clock::time_point steadyNow = Clock::now();
        const WsprUtc::time_point utcNow = WsprUtc::now();
        const int64_t slot = window.Beacon->NextSlot();
        const TWsprTonePlan tones = window.Beacon->Settings().Tones;
        const Clock::time_point start =
            steadyNow + std::chrono::duration_cast<Clock::duration>(WsprTransmissionStart(slot) - utcNow);
        QEventLoop loop;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
            if (window.Beacon->TransmissionsSent() > 0)
                loop.quit();
        });
        poll.start(100);
        loop.exec();
        window.ButtonStart->setChecked(false);
        board->Recording = false;

        std::vector<double> lateness;
        std::set<std::pair<uint8_t, uint8_t>> dividers;
        TWsprSymbolClock ideal;
        ideal.Start(start);
        for (const TransferRecord& t : board->Log) {
            if (t.Request != 0x30 || lateness.size() >= 162)
                continue;
            TRegisterBlock block;
            std::copy(t.Bytes.begin(), t.Bytes.end(), block.begin());
            if (std::find(tones.Registers.begin(), tones.Registers.end(), block) == tones.Registers.end())
                continue;  // the off frequency
            // The board has the registers when the transfer is through.
            const Clock::time_point received = t.Time + board->TransferTime(t.Bytes.size());
            lateness.push_back(Ms(received - ideal.Due(static_cast<int>(lateness.size()))).count());
            dividers.insert({block[0], static_cast<uint8_t>(block[1] & 0xC0)});
        }
        if (lateness.size() != 162)
            throw std::runtime_error("the board received " + std::to_string(lateness.size()) + " tones");
        state.SetIterationTime(110.592);
        state.counters["late_p50_ms"] = Percentile(lateness, 0.5);
        state.counters["late_p99_ms"] = Percentile(lateness, 0.99);
        state.counters["late_max_ms"] = *std::max_element(lateness.begin(), lateness.end());
        state.counters["late_min_ms"] = *std::min_element(lateness.begin(), lateness.end());
        state.counters["start_error_ms"] = lateness.front();
        state.counters["drift_ms"] = lateness.back() - lateness.front();
        state.counters["tone_error_hz"] = tones.MaxErrorHz();
        state.counters["divider_changes"] = static_cast<double>(dividers.size()) - 1;
    }
}

BENCHMARK(BM_WsprTransmission)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv)
{
    PrepareWindowBench();
    TQuorvexApp app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::AddCustomContext("run", "one transmission at 14.0956 MHz, board low-speed");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
