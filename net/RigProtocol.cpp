#include "net/RigProtocol.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <exception>

#include "support/NumberText.h"

namespace {

constexpr size_t MaxArgs = 4;
constexpr size_t MaxValues = 2;

struct TValue {
    std::string_view Key;
    std::string Text;
};

}  // namespace

// One command being answered: its arguments, and the values a get command
// answers (or, for the capability dump, the lines as they are).
struct TRigCall {
    TRigProtocol& Protocol;
    std::array<std::string_view, MaxArgs> Args{};
    size_t ArgCount = 0;
    std::array<TValue, MaxValues> Values{};
    size_t ValueCount = 0;
    std::string Raw;

    TRigStation& Station() { return Protocol.station_; }
    std::string& Mode() { return Protocol.mode_; }
    long long& Passband() { return Protocol.passband_; }
    std::string_view Arg(size_t i) const { return Args[i]; }
    void Value(std::string_view key, std::string text) { Values[ValueCount++] = {key, std::move(text)}; }
};

namespace {

using THandler = int (*)(TRigCall&);

struct TCommand {
    unsigned char Short;  // 0: long form only
    std::string_view Long;
    THandler Run;  // nullptr: answers Code
    int Code = RigOk;
};

// What the protocol calls the VFOs: the one this oscillator is, and the rest.
constexpr std::array<std::string_view, 6> OwnVfos{"VFOA", "VFO", "currVFO", "Main", "MainA", "RX"};
constexpr std::array<std::string_view, 13> OtherVfos{"VFOB", "VFOC", "Sub", "SubA", "SubB", "SubC", "MainB",
                                                     "MainC", "MEM", "TX", "Mem", "None", "VFOAB"};
constexpr std::array<std::string_view, 27> Modes{
    "USB",  "LSB",    "CW",     "CWR",     "RTTY",    "RTTYR", "AM",  "FM",  "WFM",
    "AMS",  "PKTLSB", "PKTUSB", "PKTFM",   "ECSSUSB", "ECSSLSB", "FAX", "SAM", "SAL",
    "SAH",  "DSB",    "FMN",    "PKTAM",   "AMN",     "CWN",   "PSK", "PSKR", "C4FM"};

template <size_t N>
bool OneOf(const std::array<std::string_view, N>& names, std::string_view s)
{
    return std::find(names.begin(), names.end(), s) != names.end();
}

bool ParseInteger(std::string_view s, long long& value)
{
    const char* end = s.data() + s.size();
    const auto [ptr, ec] = std::from_chars(s.data() + (!s.empty() && s[0] == '+'), end, value);
    return ec == std::errc() && ptr == end;
}

// Whole Hz, as the protocol writes frequencies.
std::string WholeHz(double hz)
{
    std::array<char, 400> buf;
    const auto [ptr, ec] = std::to_chars(buf.data(), buf.data() + buf.size(), std::round(hz) + 0.0,
                                         std::chars_format::fixed, 0);
    return ec == std::errc() ? std::string(buf.data(), ptr) : std::string("0");
}

int SetFreq(TRigCall& c)
{
    double hz = 0;
    if (c.ArgCount != 1 || !TryParseFloat(c.Arg(0), hz))
        return RigInvalidParameter;
    switch (c.Station().SetFrequency(hz)) {
    case TRigStation::TSetResult::Done:
        return RigOk;
    case TRigStation::TSetResult::Unreachable:
        return RigInvalidParameter;
    case TRigStation::TSetResult::Busy:
        return RigRejected;
    case TRigStation::TSetResult::Failed:
        break;
    }
    return RigIoError;
}

int GetFreq(TRigCall& c)
{
    if (c.ArgCount != 0)
        return RigInvalidParameter;
    const double hz = c.Station().Frequency();
    if (!std::isfinite(hz))
        return RigInternalError;
    c.Value("Frequency", WholeHz(hz));
    return RigOk;
}

int SetMode(TRigCall& c)
{
    long long passband = 0;
    if (c.ArgCount != 2 || !OneOf(Modes, c.Arg(0)) || !ParseInteger(c.Arg(1), passband) || passband < -1)
        return RigInvalidParameter;
    c.Mode() = c.Arg(0);
    if (passband >= 0)  // -1 keeps the passband
        c.Passband() = passband;
    return RigOk;
}

int GetMode(TRigCall& c)
{
    if (c.ArgCount != 0)
        return RigInvalidParameter;
    c.Value("Mode", c.Mode());
    c.Value("Passband", std::to_string(c.Passband()));
    return RigOk;
}

int SetVfo(TRigCall& c)
{
    if (c.ArgCount != 1)
        return RigInvalidParameter;
    if (OneOf(OwnVfos, c.Arg(0)))
        return RigOk;
    return OneOf(OtherVfos, c.Arg(0)) ? RigNotAvailable : RigInvalidParameter;
}

// The TX VFO of "split off" names nothing, so any is taken.
int SetSplitVfo(TRigCall& c)
{
    if (c.ArgCount != 2)
        return RigInvalidParameter;
    if (c.Arg(0) == "0")
        return RigOk;
    return c.Arg(0) == "1" ? RigNotAvailable : RigInvalidParameter;
}

int SetPtt(TRigCall& c)
{
    if (c.ArgCount != 1)
        return RigInvalidParameter;
    if (c.Arg(0) == "0")
        return RigOk;
    return c.Arg(0) == "1" || c.Arg(0) == "2" || c.Arg(0) == "3" ? RigNotAvailable : RigInvalidParameter;
}

// A get command without arguments that always has the same values.
template <const std::string_view& Key1, const std::string_view& Value1>
int Plain(TRigCall& c)
{
    if (c.ArgCount != 0)
        return RigInvalidParameter;
    c.Value(Key1, std::string(Value1));
    return RigOk;
}

constexpr std::string_view KeyVfo = "VFO", KeyPtt = "PTT", KeyDcd = "DCD", KeyChkVfo = "ChkVFO",
                           KeyInfo = "Info", VfoA = "VFOA", Zero = "0", Info = "Quorvex Si570 oscillator";

int GetSplitVfo(TRigCall& c)
{
    if (c.ArgCount != 0)
        return RigInvalidParameter;
    c.Value("Split", "0");
    c.Value("TX VFO", "VFOA");
    return RigOk;
}

// Protocol version 0 of the dump: the board's range for reception in every
// mode on VFO A, no transmit range, 1 Hz steps, nothing else.
int DumpState(TRigCall& c)
{
    if (c.ArgCount != 0)
        return RigInvalidParameter;
    const TRigRange range = c.Station().Range();
    c.Raw = "0\n1\n1\n";
    if (std::isfinite(range.LowHz) && std::isfinite(range.HighHz) && range.LowHz < range.HighHz)
        c.Raw += WholeHz(range.LowHz) + ".000000 " + WholeHz(range.HighHz) + ".000000 0x1ff -1 -1 0x1 0x0\n";
    c.Raw +=
        "0 0 0 0 0 0 0\n"  // end of the receive ranges
        "0 0 0 0 0 0 0\n"  // no transmit range
        "0x1ff 1\n0 0\n"   // tuning step
        "0 0\n"            // filters
        "0\n0\n0\n0\n"     // RIT, XIT, IF shift, announces
        "\n\n"             // preamplifiers, attenuators
        "0x0\n0x0\n0x0\n0x0\n0x0\n0x0\n";
    return RigOk;
}

constexpr std::array Commands{
    TCommand{'F', "set_freq", SetFreq},
    TCommand{'f', "get_freq", GetFreq},
    TCommand{'M', "set_mode", SetMode},
    TCommand{'m', "get_mode", GetMode},
    TCommand{'V', "set_vfo", SetVfo},
    TCommand{'v', "get_vfo", Plain<KeyVfo, VfoA>},
    TCommand{'S', "set_split_vfo", SetSplitVfo},
    TCommand{'s', "get_split_vfo", GetSplitVfo},
    TCommand{'T', "set_ptt", SetPtt},
    TCommand{'t', "get_ptt", Plain<KeyPtt, Zero>},
    TCommand{0x8B, "get_dcd", Plain<KeyDcd, Zero>},
    TCommand{0xF0, "chk_vfo", Plain<KeyChkVfo, Zero>},
    TCommand{0x8F, "dump_state", DumpState},
    TCommand{'_', "get_info", Plain<KeyInfo, Info>},
    // What a radio has and this oscillator does not.
    TCommand{'I', "set_split_freq", nullptr, RigNotAvailable},
    TCommand{'i', "get_split_freq", nullptr, RigNotAvailable},
    TCommand{'X', "set_split_mode", nullptr, RigNotAvailable},
    TCommand{'x', "get_split_mode", nullptr, RigNotAvailable},
    TCommand{'J', "set_rit", nullptr, RigNotAvailable},
    TCommand{'j', "get_rit", nullptr, RigNotAvailable},
    TCommand{'Z', "set_xit", nullptr, RigNotAvailable},
    TCommand{'z', "get_xit", nullptr, RigNotAvailable},
    TCommand{'R', "set_rptr_shift", nullptr, RigNotAvailable},
    TCommand{'r', "get_rptr_shift", nullptr, RigNotAvailable},
    TCommand{'O', "set_rptr_offs", nullptr, RigNotAvailable},
    TCommand{'o', "get_rptr_offs", nullptr, RigNotAvailable},
    TCommand{'C', "set_ctcss_tone", nullptr, RigNotAvailable},
    TCommand{'c', "get_ctcss_tone", nullptr, RigNotAvailable},
    TCommand{'D', "set_dcs_code", nullptr, RigNotAvailable},
    TCommand{'d', "get_dcs_code", nullptr, RigNotAvailable},
    TCommand{0x90, "set_ctcss_sql", nullptr, RigNotAvailable},
    TCommand{0x91, "get_ctcss_sql", nullptr, RigNotAvailable},
    TCommand{0x92, "set_dcs_sql", nullptr, RigNotAvailable},
    TCommand{0x93, "get_dcs_sql", nullptr, RigNotAvailable},
    TCommand{'N', "set_ts", nullptr, RigNotAvailable},
    TCommand{'n', "get_ts", nullptr, RigNotAvailable},
    TCommand{'U', "set_func", nullptr, RigNotAvailable},
    TCommand{'u', "get_func", nullptr, RigNotAvailable},
    TCommand{'L', "set_level", nullptr, RigNotAvailable},
    TCommand{'l', "get_level", nullptr, RigNotAvailable},
    TCommand{'P', "set_parm", nullptr, RigNotAvailable},
    TCommand{'p', "get_parm", nullptr, RigNotAvailable},
    TCommand{'B', "set_bank", nullptr, RigNotAvailable},
    TCommand{'E', "set_mem", nullptr, RigNotAvailable},
    TCommand{'e', "get_mem", nullptr, RigNotAvailable},
    TCommand{'G', "vfo_op", nullptr, RigNotAvailable},
    TCommand{'g', "scan", nullptr, RigNotAvailable},
    TCommand{'H', "set_channel", nullptr, RigNotAvailable},
    TCommand{'h', "get_channel", nullptr, RigNotAvailable},
    TCommand{'A', "set_trn", nullptr, RigNotAvailable},
    TCommand{'a', "get_trn", nullptr, RigNotAvailable},
    TCommand{'Y', "set_ant", nullptr, RigNotAvailable},
    TCommand{'y', "get_ant", nullptr, RigNotAvailable},
    TCommand{'*', "reset", nullptr, RigNotAvailable},
    TCommand{'w', "send_cmd", nullptr, RigNotAvailable},
    TCommand{'b', "send_morse", nullptr, RigNotAvailable},
    TCommand{0xBB, "stop_morse", nullptr, RigNotAvailable},
    TCommand{0xBC, "wait_morse", nullptr, RigNotAvailable},
    TCommand{0x94, "send_voice_mem", nullptr, RigNotAvailable},
    TCommand{0x87, "set_powerstat", nullptr, RigNotAvailable},
    TCommand{0x88, "get_powerstat", nullptr, RigNotAvailable},
    TCommand{0x89, "send_dtmf", nullptr, RigNotAvailable},
    TCommand{0x8A, "recv_dtmf", nullptr, RigNotAvailable},
    // The client library's own.
    TCommand{'1', "dump_caps", nullptr, RigNotImplemented},
    TCommand{'2', "power2mW", nullptr, RigNotImplemented},
    TCommand{'3', "dump_conf", nullptr, RigNotImplemented},
    TCommand{'4', "mW2power", nullptr, RigNotImplemented},
    TCommand{0, "set_vfo_opt", nullptr, RigNotImplemented},
    TCommand{0, "get_vfo_info", nullptr, RigNotImplemented},
    TCommand{0, "get_rig_info", nullptr, RigNotImplemented},
};

const TCommand* FindShort(unsigned char c)
{
    for (const TCommand& command : Commands)
        if (command.Short == c && c != 0)
            return &command;
    return nullptr;
}

const TCommand* FindLong(std::string_view name)
{
    for (const TCommand& command : Commands)
        if (command.Long == name)
            return &command;
    return nullptr;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimLeft(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return s;
}

void AppendCode(std::string& out, int code)
{
    out += "RPRT ";
    out += std::to_string(code);
    out += '\n';
}

}  // namespace

bool TRigProtocol::Answer(std::string_view line, std::string& out)
{
    line = TrimLeft(line);
    while (!line.empty() && IsBlank(line.back()))
        line.remove_suffix(1);
    if (line.empty())
        return true;

    bool extended = false;
    char separator = '\n';
    if (line[0] == '+' || line[0] == ';' || line[0] == '|' || line[0] == ',') {
        extended = true;
        separator = line[0] == '+' ? '\n' : line[0];
        line.remove_prefix(1);
    }
    if (line == "q" || line == "Q")
        return false;

    const TCommand* command = nullptr;
    std::string_view rest;
    if (!line.empty() && line[0] == '\\') {
        const size_t end = std::min(line.find_first_of(" \t"), line.size());
        command = FindLong(line.substr(1, end - 1));
        rest = line.substr(end);
    } else if (!line.empty()) {
        command = FindShort(static_cast<unsigned char>(line[0]));
        rest = line.substr(1);
    }
    if (!command) {
        AppendCode(out, RigNotImplemented);
        return true;
    }

    TRigCall call{.Protocol = *this, .Raw = {}};
    bool tooManyArgs = false;
    for (rest = TrimLeft(rest); !rest.empty(); rest = TrimLeft(rest)) {
        const size_t end = std::min(rest.find_first_of(" \t"), rest.size());
        if (call.ArgCount == MaxArgs) {
            tooManyArgs = true;
            break;
        }
        call.Args[call.ArgCount++] = rest.substr(0, end);
        rest.remove_prefix(end);
    }

    int code = command->Code;
    if (command->Run) {
        try {
            code = tooManyArgs ? RigInvalidParameter : command->Run(call);
        } catch (const std::exception&) {
            code = RigInternalError;  // a station that broke its promise not to throw
        }
    }

    if (extended) {
        out += command->Long;
        out += ':';
        for (size_t i = 0; i < call.ArgCount; ++i) {
            out += ' ';
            out += call.Args[i];
        }
        out += separator;
        if (code == RigOk) {
            for (size_t i = 0; i < call.ValueCount; ++i) {
                out += call.Values[i].Key;
                out += ": ";
                out += call.Values[i].Text;
                out += separator;
            }
            out += call.Raw;
        }
        AppendCode(out, code);
    } else if (code != RigOk || (call.ValueCount == 0 && call.Raw.empty())) {
        AppendCode(out, code);
    } else {
        for (size_t i = 0; i < call.ValueCount; ++i) {
            out += call.Values[i].Text;
            out += '\n';
        }
        out += call.Raw;
    }
    return true;
}

void TRigProtocol::AnswerTooLong(std::string& out)
{
    AppendCode(out, RigProtocolError);
}
