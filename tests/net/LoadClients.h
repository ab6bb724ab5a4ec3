#pragma once
// Station programs by the dozen: each client on its own connection and
// thread sends its commands pipelined (a window of them unanswered at a
// time) and checks every answer, in order, against the command it belongs
// to. Each client stops by itself: when all is answered, or when the server
// is silent too long, or at the deadline.
#include <string>

struct TLoadResult {
    long Answered = 0;     // answers that matched their command, in order
    long Wrong = 0;        // answers that did not
    long Unanswered = 0;   // commands without an answer
    long Extra = 0;        // bytes after the last answer, before the end
    double Seconds = 0;
    double MedianLatencyUs = 0;
    double MaxLatencyUs = 0;
    std::string FirstProblem;
};

TLoadResult RunLoad(unsigned short port, int clients, int commands, int window = 32, int silenceMs = 10000,
                    int deadlineMs = 120000);
