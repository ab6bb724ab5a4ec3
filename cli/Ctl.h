#pragma once
// quorvexctl: the board from the command line and from scripts. The
// program's main runs RunQuorvexCtl; tests run it in-process against the
// virtual bus.
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
    // --demo: before anything calls the USB library; std::runtime_error when
    // the log of what the board receives cannot be created.
    std::function<void()> AttachDemoBoard{};
    std::function<bool()> StopRequested{};     // the beacon ends when this turns true
    std::function<void(int ms)> Sleep{};       // the beacon's wait; tests need not wait
    // The next line of standard input without its end; false at its end or
    // when a stop was requested while waiting. None: standard input is empty.
    std::function<bool(std::string& line)> ReadLine{};
};

int RunQuorvexCtl(int argc, const char* const* argv, TCtlEnvironment& env);
