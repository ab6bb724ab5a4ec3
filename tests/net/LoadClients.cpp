#include "LoadClients.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>
#include <vector>

#include "RigClient.h"

namespace {

using Clock = std::chrono::steady_clock;

// Every answer names its command: the extended form echoes the frequency,
// and the others answer alike whoever asks.
struct TCommand {
    std::string Line;
    std::string Answer;
};

TCommand CommandFor(int client, int i)
{
    const std::string hz = std::to_string(100000000 + client * 1000000 + i);
    switch (i % 4) {
    case 0:
        return {"+F " + hz + "\n", "set_freq: " + hz + "\nRPRT 0\n"};
    case 1:
        return {"+\\set_freq " + hz + "\n", "set_freq: " + hz + "\nRPRT 0\n"};
    case 2:
        return {"+t\n", "get_ptt:\nPTT: 0\nRPRT 0\n"};
    default:
        return {"+\\chk_vfo\n", "chk_vfo:\nChkVFO: 0\nRPRT 0\n"};
    }
}

struct TClientRun {
    TLoadResult Result;
    std::vector<double> LatenciesUs;
};

void Note(TLoadResult& r, const std::string& problem)
{
    if (r.FirstProblem.empty())
        r.FirstProblem = problem;
}

TClientRun RunClient(unsigned short port, int id, int commands, int window, int silenceMs, Clock::time_point deadline)
{
    TClientRun run;
    TLoadResult& r = run.Result;
    run.LatenciesUs.reserve(static_cast<size_t>(commands));
    TRigClient client(port);
    if (!client.Connected()) {
        r.Unanswered = commands;
        Note(r, "client " + std::to_string(id) + " could not connect");
        return run;
    }
    std::deque<std::pair<TCommand, Clock::time_point>> waiting;
    std::string pending;
    int sent = 0;
    while (r.Answered + r.Wrong < commands) {
        if (Clock::now() > deadline) {
            Note(r, "client " + std::to_string(id) + " passed the deadline");
            break;
        }
        std::string batch;
        const auto now = Clock::now();
        while (sent < commands && static_cast<int>(waiting.size()) < window) {
            TCommand c = CommandFor(id, sent++);
            batch += c.Line;
            waiting.emplace_back(std::move(c), now);
        }
        if (!batch.empty() && !client.Send(batch)) {
            Note(r, "client " + std::to_string(id) + " could not send");
            break;
        }
        const std::string got = client.ReadOnce(silenceMs);
        if (got.empty()) {
            Note(r, "client " + std::to_string(id) + " heard nothing for " + std::to_string(silenceMs) + " ms");
            break;
        }
        pending += got;
        for (size_t end; !waiting.empty() && (end = pending.find("RPRT ")) != std::string::npos;) {
            const size_t lineEnd = pending.find('\n', end);
            if (lineEnd == std::string::npos)
                break;
            const std::string answer = pending.substr(0, lineEnd + 1);
            pending.erase(0, lineEnd + 1);
            const auto& [command, at] = waiting.front();
            if (answer == command.Answer) {
                ++r.Answered;
                run.LatenciesUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - at).count());
            } else {
                ++r.Wrong;
                Note(r, "client " + std::to_string(id) + " got \"" + answer + "\" for \"" + command.Line + "\"");
            }
            waiting.pop_front();
        }
    }
    r.Unanswered = commands - r.Answered - r.Wrong;
    r.Extra = static_cast<long>(pending.size());
    if (client.Send("q\n") && !client.Ended(silenceMs)) {
        ++r.Extra;
        Note(r, "client " + std::to_string(id) + ": more came after the last answer, or the end did not");
    }
    return run;
}

}  // namespace

TLoadResult RunLoad(unsigned short port, int clients, int commands, int window, int silenceMs, int deadlineMs)
{
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(deadlineMs);
    std::vector<TClientRun> runs(static_cast<size_t>(clients));
    std::vector<std::thread> threads;
    for (int id = 0; id < clients; ++id)
        threads.emplace_back([&, id] { runs[static_cast<size_t>(id)] = RunClient(port, id, commands, window, silenceMs, deadline); });
    for (std::thread& t : threads)
        t.join();

    TLoadResult total;
    total.Seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> latencies;
    for (const TClientRun& run : runs) {
        total.Answered += run.Result.Answered;
        total.Wrong += run.Result.Wrong;
        total.Unanswered += run.Result.Unanswered;
        total.Extra += run.Result.Extra;
        if (total.FirstProblem.empty())
            total.FirstProblem = run.Result.FirstProblem;
        latencies.insert(latencies.end(), run.LatenciesUs.begin(), run.LatenciesUs.end());
    }
    if (!latencies.empty()) {
        const auto middle = latencies.begin() + static_cast<long>(latencies.size() / 2);
        std::nth_element(latencies.begin(), middle, latencies.end());
        total.MedianLatencyUs = *middle;
        total.MaxLatencyUs = *std::max_element(latencies.begin(), latencies.end());
    }
    return total;
}
