#pragma once
// The real quorvexctl as a script or a service manager starts it: in its own
// process, standard output read over a pipe, standard error discarded (the
// machine's clock may be unsynchronized, which a beacon says there).
#include <string>
#include <vector>

struct TCtlProcessRun {
    std::string First;  // the first line of standard output
    std::string Rest;   // what followed it until the program ended
    int Status = -1;    // its exit status; -1 when it did not exit by itself
};

// Runs quorvexctl ARGS in DIR (empty: here). With a signal, sends it once the
// first line is out; then reads to the end and waits for the program.
TCtlProcessRun RunCtlProcess(const std::vector<std::string>& args, int signal = 0, const std::string& dir = "");
