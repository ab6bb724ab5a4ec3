// Bytes as a station program (or anyone who reaches the port) sends them,
// cut into lines as the server cuts them, each answered. Every line that is
// not blank gets an answer, every answer is whole lines, "f" always tells
// the frequency last set, nothing is answered after "q", and a read answered
// in turns is answered as a whole.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "net/RigLines.h"
#include "net/RigProtocol.h"
#include "support/NumberText.h"

namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

// Makes what its range holds; the first byte of the input can make it fail.
class TStation : public TRigStation {
public:
    bool Fail = false;
    double Frequency() const override { return frequency_; }
    TSetResult SetFrequency(double hz) override
    {
        Require(std::isfinite(hz));
        if (Fail)
            return TSetResult::Failed;
        if (!(hz >= 1e6 && hz <= 1.5e9))
            return TSetResult::Unreachable;
        frequency_ = hz;
        return TSetResult::Done;
    }
    TRigRange Range() const override { return {1e6, 1.5e9}; }

private:
    double frequency_ = 14074000;
};

bool IsBlankLine(std::string_view line)
{
    return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    TStation station;
    station.Fail = !bytes.empty() && bytes[0] == '!';
    TRigProtocol protocol(station);
    TRigLines lines(64);  // short, so long lines are met often
    bool quit = false;
    int answered = 0;
    const auto answer = [&](std::string_view line, bool tooLong) {
        std::string out;
        if (tooLong) {
            TRigProtocol::AnswerTooLong(out);
            Require(out == "RPRT -8\n");
            return true;
        }
        const double before = station.Frequency();
        if (!protocol.Answer(line, out)) {
            Require(out.empty());
            quit = true;
            return false;
        }
        Require(IsBlankLine(line) == out.empty());
        Require(out.empty() || out.back() == '\n');
        Require(out.find('\0') == std::string::npos || line.find('\0') != std::string_view::npos);
        // A set that was refused changed nothing.
        if (out.find("RPRT -") != std::string::npos)
            Require(station.Frequency() == before);
        std::string told;
        Require(protocol.Answer("f", told));
        double hz = 0;
        Require(TryParseFloat(std::string_view(told).substr(0, told.size() - 1), hz));
        Require(hz == std::round(station.Frequency()));
        return ++answered % 3 != 0;
    };
    // Cut into reads of varying length, as the network would, and each read
    // answered in turns of three lines, as the server does under load.
    for (size_t at = 0, step = 1; at < bytes.size() && !quit; at += step, step = step % 97 + 13) {
        for (std::string_view read = bytes.substr(at, step); !read.empty() && !quit;) {
            const size_t taken = lines.Feed(read, answer);
            Require(taken > 0 && taken <= read.size());  // a turn always gets somewhere
            read.remove_prefix(taken);
        }
    }
    return 0;
}
