#pragma once
// The plain-text protocol station programs use to tune a radio over TCP: one
// command per line, in its short form ("F 14074000", "f") or its long form
// ("\set_freq 14074000"), and optionally in the extended response form: a
// '+' before the command gets the command echoed, "Key: value" lines and
// "RPRT 0"; ';', '|' or ',' instead of '+' separate those lines with that
// character. Set commands answer "RPRT 0" or "RPRT <negative code>"; get
// commands answer their values, one a line, or "RPRT <negative code>".
//
// The board is a receiver's oscillator: one frequency, nothing else. What
// each command answers:
//   F, \set_freq HZ    sets the station's frequency; a frequency the board
//                      cannot make answers RPRT -1 and changes nothing; a
//                      board that is not there or fails RPRT -6; a host
//                      that takes no frequency now (keying, a beacon) -9
//   f, \get_freq       the frequency as set, in whole Hz
//   M, \set_mode M PB  any mode the protocol names, kept and told back by m;
//                      the board itself has no mode
//   m, \get_mode       that mode (USB until one is set) and its passband
//   V, \set_vfo VFO    VFOA, VFO, currVFO, Main, MainA or RX: RPRT 0 (the
//                      one VFO); another VFO: RPRT -11
//   v, \get_vfo        VFOA
//   S, \set_split_vfo  split 0 (any TX VFO): RPRT 0; split 1: RPRT -11
//   s, \get_split_vfo  0 and VFOA: split off
//   T, \set_ptt P      0 (receive): RPRT 0; 1 to 3 (transmit): RPRT -11
//   t, \get_ptt        0: receiving
//   0x8B, \get_dcd     0: a bare oscillator has no squelch to open
//   \chk_vfo           0: commands take no VFO argument
//   \dump_state        the capabilities a client reads when it connects
//   _, \get_info       what answers
//   q, Q               ends the connection, without an answer
// A radio's other features (split frequency and mode, RIT, XIT, repeater,
// tones, levels, functions, memories, antenna, PTT keying, power, Morse,
// DTMF, ...) answer RPRT -11, not available; the client library's own
// commands (dump_caps, power conversions, ...) and unknown commands answer
// RPRT -4, not implemented; a missing or malformed argument RPRT -1. A blank
// line is no command and gets no answer.
//
// So a client that sets one frequency works: gpredict's radio types "RX
// only" (PTT none, or reading PTT or DCD: both read 0, so it keeps tuning)
// and "TX only" with PTT none (reading PTT, it tunes only while transmitting,
// which a receiver never is). Its duplex type sets the uplink as the split
// frequency and its toggle types turn split on: both are refused. No Qt here.
#include <string>
#include <string_view>

#include "net/RigStation.h"

// The codes of the "RPRT x" line.
enum TRigError : int {
    RigOk = 0,
    RigInvalidParameter = -1,
    RigNotImplemented = -4,
    RigIoError = -6,
    RigInternalError = -7,
    RigProtocolError = -8,
    RigRejected = -9,
    RigNotAvailable = -11,
};

class TRigProtocol {
public:
    explicit TRigProtocol(TRigStation& station) : station_(station) {}

    // Appends the answer to one line (without its line end) to out. False
    // when the line ends the connection; nothing is appended then.
    bool Answer(std::string_view line, std::string& out);
    // The answer to a line longer than the server takes.
    static void AnswerTooLong(std::string& out);

private:
    friend struct TRigCall;
    TRigStation& station_;
    std::string mode_ = "USB";
    long long passband_ = 0;
};
