// The protocol's answers, line by line, without sockets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "FakeStation.h"
#include "net/RigProtocol.h"

namespace {

struct Exchange {
    std::string Line;
    std::string Reply;
};

class ProtocolTest : public ::testing::Test {
protected:
    TFakeStation Station;
    TRigProtocol Protocol{Station};

    std::string Ask(const std::string& line)
    {
        std::string out;
        EXPECT_TRUE(Protocol.Answer(line, out)) << line;
        return out;
    }
};

TEST_F(ProtocolTest, TheOscillatorsCommandsInEveryForm)
{
    Station.Preset(14074000);
    const std::vector<Exchange> table{
        {"f", "14074000\n"},
        {"\\get_freq", "14074000\n"},
        {"+f", "get_freq:\nFrequency: 14074000\nRPRT 0\n"},
        {"+\\get_freq", "get_freq:\nFrequency: 14074000\nRPRT 0\n"},
        {";f", "get_freq:;Frequency: 14074000;RPRT 0\n"},
        {"|f", "get_freq:|Frequency: 14074000|RPRT 0\n"},
        {",\\get_freq", "get_freq:,Frequency: 14074000,RPRT 0\n"},
        {"v", "VFOA\n"},
        {"+v", "get_vfo:\nVFO: VFOA\nRPRT 0\n"},
        {"s", "0\nVFOA\n"},
        {"+\\get_split_vfo", "get_split_vfo:\nSplit: 0\nTX VFO: VFOA\nRPRT 0\n"},
        {"t", "0\n"},
        {"+t", "get_ptt:\nPTT: 0\nRPRT 0\n"},
        {"\x8b", "0\n"},
        {"\\get_dcd", "0\n"},
        {"+\x8b", "get_dcd:\nDCD: 0\nRPRT 0\n"},
        {"\\chk_vfo", "0\n"},
        {"+\\chk_vfo", "chk_vfo:\nChkVFO: 0\nRPRT 0\n"},
        {"_", "Quorvex Si570 oscillator\n"},
        {"m", "USB\n0\n"},
        {"+m", "get_mode:\nMode: USB\nPassband: 0\nRPRT 0\n"},
        // Sets that keep what the oscillator is.
        {"V VFOA", "RPRT 0\n"},
        {"\\set_vfo currVFO", "RPRT 0\n"},
        {"+V Main", "set_vfo: Main\nRPRT 0\n"},
        {"S 0 VFOA", "RPRT 0\n"},
        {"S 0 -714912000", "RPRT 0\n"},  // a client's unset TX VFO: split off all the same
        {"+\\set_split_vfo 0 VFOB", "set_split_vfo: 0 VFOB\nRPRT 0\n"},
        {"T 0", "RPRT 0\n"},
        {"+T 0", "set_ptt: 0\nRPRT 0\n"},
        // Blanks and carriage returns around a command are not part of it.
        {"  f\r", "14074000\n"},
        {"\tT 0 \t", "RPRT 0\n"},
    };
    for (const Exchange& e : table)
        EXPECT_EQ(Ask(e.Line), e.Reply) << e.Line;
}

TEST_F(ProtocolTest, SetFrequencyTunesTheStationAndGetTellsItBack)
{
    struct Case {
        std::string Line;
        std::string Reply;
        double Set;
        std::string Get;
    };
    const std::vector<Case> table{
        {"F 14074000", "RPRT 0\n", 14074000, "14074000\n"},
        {"F   29887596", "RPRT 0\n", 29887596, "29887596\n"},  // a client's %10.0f
        {"F29887597", "RPRT 0\n", 29887597, "29887597\n"},
        {"\\set_freq 145888543", "RPRT 0\n", 145888543, "145888543\n"},
        {"+F 14074000", "set_freq: 14074000\nRPRT 0\n", 14074000, "14074000\n"},
        {"+\\set_freq 7.074e6", "set_freq: 7.074e6\nRPRT 0\n", 7074000, "7074000\n"},
        {";F 10000000.4", "set_freq: 10000000.4;RPRT 0\n", 10000000.4, "10000000\n"},
        {"F 10000000.5", "RPRT 0\n", 10000000.5, "10000001\n"},
    };
    for (const Case& c : table) {
        EXPECT_EQ(Ask(c.Line), c.Reply) << c.Line;
        ASSERT_FALSE(Station.Set().empty());
        EXPECT_EQ(Station.Set().back(), c.Set) << c.Line;
        EXPECT_EQ(Ask("f"), c.Get) << c.Line;
    }
}

TEST_F(ProtocolTest, AFrequencyTheBoardCannotMakeOrABadArgumentChangesNothing)
{
    Station.Preset(14074000);
    const std::vector<Exchange> table{
        {"F 1000000", "RPRT -1\n"},    // below the board's range
        {"F 2e9", "RPRT -1\n"},        // above it
        {"F -14074000", "RPRT -1\n"},  // negative
        {"F 1e400", "RPRT -1\n"},      // not a finite number
        {"F nan", "RPRT -1\n"},
        {"F inf", "RPRT -1\n"},
        {"F 14,074", "RPRT -1\n"},
        {"F 0x1000000", "RPRT -1\n"},
        {"F", "RPRT -1\n"},
        {"F 14074000 VFOA", "RPRT -1\n"},
        {"+F 1000000", "set_freq: 1000000\nRPRT -1\n"},
        {"+\\set_freq abc", "set_freq: abc\nRPRT -1\n"},
    };
    for (const Exchange& e : table) {
        EXPECT_EQ(Ask(e.Line), e.Reply) << e.Line;
        EXPECT_EQ(Ask("f"), "14074000\n") << e.Line;
    }
    EXPECT_TRUE(Station.Set().empty());
}

TEST_F(ProtocolTest, ABoardThatFailsIsAnErrorNotASuccess)
{
    Station.Preset(14074000);
    Station.Fail = true;
    EXPECT_EQ(Ask("F 7074000"), "RPRT -6\n");
    EXPECT_EQ(Ask("+F 7074000"), "set_freq: 7074000\nRPRT -6\n");
    Station.Fail = false;
    Station.Throw = true;
    EXPECT_EQ(Ask("F 7074000"), "RPRT -7\n");
    EXPECT_EQ(Ask("f"), "14074000\n");
}

TEST_F(ProtocolTest, TheModeIsKeptForTheClientsAndChangesNothingElse)
{
    const std::vector<Exchange> table{
        {"M LSB 2400", "RPRT 0\n"},
        {"m", "LSB\n2400\n"},
        {"\\set_mode PKTUSB -1", "RPRT 0\n"},  // -1 keeps the passband
        {"+m", "get_mode:\nMode: PKTUSB\nPassband: 2400\nRPRT 0\n"},
        {"+M CW 500", "set_mode: CW 500\nRPRT 0\n"},
        {"M FOO 2400", "RPRT -1\n"},
        {"M USB wide", "RPRT -1\n"},
        {"M USB -2", "RPRT -1\n"},
        {"M USB", "RPRT -1\n"},
        {"M usb 2400", "RPRT -1\n"},
        {"m", "CW\n500\n"},
    };
    for (const Exchange& e : table)
        EXPECT_EQ(Ask(e.Line), e.Reply) << e.Line;
    EXPECT_TRUE(Station.Set().empty());
}

TEST_F(ProtocolTest, WhatAReceiverOnlyOscillatorCannotDoIsRefused)
{
    const std::vector<Exchange> table{
        {"V VFOB", "RPRT -11\n"},
        {"V Sub", "RPRT -11\n"},
        {"V TX", "RPRT -11\n"},
        {"V Elsewhere", "RPRT -1\n"},
        {"V", "RPRT -1\n"},
        {"S 1 VFOA", "RPRT -11\n"},
        {"S 1 Sub", "RPRT -11\n"},
        {"+S 1 VFOB", "set_split_vfo: 1 VFOB\nRPRT -11\n"},
        {"S 2 VFOA", "RPRT -1\n"},
        {"S 0", "RPRT -1\n"},
        {"T 1", "RPRT -11\n"},
        {"T 2", "RPRT -11\n"},
        {"T 3", "RPRT -11\n"},
        {"+T 1", "set_ptt: 1\nRPRT -11\n"},
        {"T 4", "RPRT -1\n"},
        {"T on", "RPRT -1\n"},
        {"T", "RPRT -1\n"},
        {"t 1", "RPRT -1\n"},
        {"f VFOA", "RPRT -1\n"},
        {"\\dump_state now", "RPRT -1\n"},
        {"F 1 2 3 4 5 6", "RPRT -1\n"},
    };
    for (const Exchange& e : table)
        EXPECT_EQ(Ask(e.Line), e.Reply) << e.Line;
}

// Every documented command answers; the ones a radio has and this oscillator
// does not are "not available" (-11), the client library's own and unknown
// ones "not implemented" (-4).
TEST_F(ProtocolTest, EveryOtherCommandAnswersNotAvailableOrNotImplemented)
{
    struct Case {
        std::string Short;  // empty: long form only
        std::string Long;
        int Code;
    };
    const std::vector<Case> table{
        {"I", "set_split_freq", -11}, {"i", "get_split_freq", -11}, {"X", "set_split_mode", -11},
        {"x", "get_split_mode", -11}, {"J", "set_rit", -11},        {"j", "get_rit", -11},
        {"Z", "set_xit", -11},        {"z", "get_xit", -11},        {"R", "set_rptr_shift", -11},
        {"r", "get_rptr_shift", -11}, {"O", "set_rptr_offs", -11},  {"o", "get_rptr_offs", -11},
        {"C", "set_ctcss_tone", -11}, {"c", "get_ctcss_tone", -11}, {"D", "set_dcs_code", -11},
        {"d", "get_dcs_code", -11},   {"\x90", "set_ctcss_sql", -11}, {"\x91", "get_ctcss_sql", -11},
        {"\x92", "set_dcs_sql", -11}, {"\x93", "get_dcs_sql", -11}, {"N", "set_ts", -11},
        {"n", "get_ts", -11},         {"U", "set_func", -11},       {"u", "get_func", -11},
        {"L", "set_level", -11},      {"l", "get_level", -11},      {"P", "set_parm", -11},
        {"p", "get_parm", -11},       {"B", "set_bank", -11},       {"E", "set_mem", -11},
        {"e", "get_mem", -11},        {"G", "vfo_op", -11},         {"g", "scan", -11},
        {"H", "set_channel", -11},    {"h", "get_channel", -11},    {"A", "set_trn", -11},
        {"a", "get_trn", -11},        {"Y", "set_ant", -11},        {"y", "get_ant", -11},
        {"*", "reset", -11},          {"w", "send_cmd", -11},       {"b", "send_morse", -11},
        {"\xbb", "stop_morse", -11},  {"\xbc", "wait_morse", -11},  {"\x94", "send_voice_mem", -11},
        {"\x87", "set_powerstat", -11}, {"\x88", "get_powerstat", -11}, {"\x89", "send_dtmf", -11},
        {"\x8a", "recv_dtmf", -11},   {"1", "dump_caps", -4},       {"2", "power2mW", -4},
        {"3", "dump_conf", -4},       {"4", "mW2power", -4},        {"", "set_vfo_opt", -4},
        {"", "get_vfo_info", -4},     {"", "get_rig_info", -4},
    };
    for (const Case& c : table) {
        const std::string code = "RPRT " + std::to_string(c.Code) + "\n";
        if (!c.Short.empty()) {
            EXPECT_EQ(Ask(c.Short), code) << c.Long;
            EXPECT_EQ(Ask(c.Short + " 1 2"), code) << c.Long;
        }
        EXPECT_EQ(Ask("\\" + c.Long), code) << c.Long;
        EXPECT_EQ(Ask("+\\" + c.Long + " 1"), c.Long + ": 1\n" + code) << c.Long;
    }
}

TEST_F(ProtocolTest, GarbageGetsAnAnswerAndBlankLinesNone)
{
    const std::vector<Exchange> table{
        {"\\no_such_command", "RPRT -4\n"},
        {"\\", "RPRT -4\n"},
        {"+\\", "RPRT -4\n"},
        {"+", "RPRT -4\n"},
        {"\x01\x02\x03", "RPRT -4\n"},
        {std::string("\0f", 2), "RPRT -4\n"},
        {"\xff", "RPRT -4\n"},
        {"qq", "RPRT -4\n"},
        {"hello", "RPRT -11\n"},  // h, get_channel, with an argument
        {"", ""},
        {"   ", ""},
        {"\r", ""},
    };
    for (const Exchange& e : table)
        EXPECT_EQ(Ask(e.Line), e.Reply) << testing::PrintToString(e.Line);
    std::string out;
    TRigProtocol::AnswerTooLong(out);
    EXPECT_EQ(out, "RPRT -8\n");
}

TEST_F(ProtocolTest, QuitEndsTheConnectionWithoutAnAnswer)
{
    for (const std::string line : {"q", "Q", " q\r", "+q"}) {
        std::string out;
        EXPECT_FALSE(Protocol.Answer(line, out)) << line;
        EXPECT_EQ(out, "") << line;
    }
}

// What a client library reads when it connects: the protocol version, the
// model and region, the receive range in whole Hz, the lists each ended by
// zeros, then the feature masks.
TEST_F(ProtocolTest, TheCapabilityDumpCarriesTheStationsRange)
{
    Station.Reach = {3500000, 160000000};
    const std::string dump = Ask("\\dump_state");
    EXPECT_EQ(Ask("\x8f"), dump);
    std::vector<std::string> lines;
    std::istringstream in(dump);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 21u) << dump;
    EXPECT_EQ(lines[0], "0");
    EXPECT_EQ(lines[3], "3500000.000000 160000000.000000 0x1ff -1 -1 0x1 0x0");
    EXPECT_EQ(lines[4], "0 0 0 0 0 0 0");
    EXPECT_EQ(lines[5], "0 0 0 0 0 0 0");
    EXPECT_EQ(lines[6], "0x1ff 1");
    EXPECT_EQ(lines[19], "0x0");
    EXPECT_EQ(lines[20], "0x0");
    EXPECT_EQ(Ask("+\\dump_state"), "dump_state:\n" + dump + "RPRT 0\n");

    Station.Reach = {std::nan(""), 1e9};  // a station without a range: none is claimed
    EXPECT_EQ(Ask("\\dump_state").find("0x1ff -1 -1"), std::string::npos);
}

TEST_F(ProtocolTest, AFrequencyThatIsNoNumberIsNotWrittenAsOne)
{
    Station.Preset(std::numeric_limits<double>::infinity());
    EXPECT_EQ(Ask("f"), "RPRT -7\n");
    Station.Preset(-0.2);
    EXPECT_EQ(Ask("f"), "0\n");
    Station.Preset(1e300);
    EXPECT_EQ(Ask("f").size(), 302u);
}

}  // namespace
