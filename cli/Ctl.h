#pragma once
// quorvexctl: the board from the command line and from scripts. The
// program's main runs RunQuorvexCtl; tests run it in-process against the
// virtual bus.
#include <chrono>
#include <functional>
#include <iosfwd>
#include <string>

// Exit statuses, as the manual page lists them.
enum TCtlStatus : int {
    CtlOk = 0,
    CtlUsage = 1,     // bad arguments, or a frequency the Si570 cannot make
    CtlNoBoard = 2,
    CtlTransfer = 3,  // a transfer failed, or the board could not be opened
    CtlFile = 4,
    CtlDiffers = 5,   // verify found the flash different from the file
    CtlListen = 6,    // serve could not listen on its address
};

struct TCtlEnvironment {
    std::ostream& Out;
    std::ostream& Err;
    bool ErrIsTerminal = false;                // draw progress bars on Err
    int OutFd = -1;                            // the file behind Out, when there is one
    // --demo: before anything calls the USB library; with --board-log, the
    // file that records what the board receives (else empty). Raises
    // std::runtime_error when that file cannot be made.
    std::function<void(const std::string& boardLog)> AttachDemoBoard{};
    std::function<bool()> StopRequested{};     // the beacon ends when this turns true
    std::function<void(int ms)> Sleep{};       // the beacon's wait; tests need not wait
    // The WSPR beacon's clocks and its wait for a symbol; tests drive them.
    // None: the system's clocks, and a wait that ends on time.
    std::function<std::chrono::steady_clock::time_point()> SteadyNow{};
    std::function<std::chrono::system_clock::time_point()> UtcNow{};
    std::function<void(std::chrono::steady_clock::time_point)> WaitUntil{};
    // The next line of standard input without its end; false at its end or
    // when a stop was requested while waiting. None: standard input is empty.
    std::function<bool(std::string& line)> ReadLine{};
};

int RunQuorvexCtl(int argc, const char* const* argv, TCtlEnvironment& env);
