#pragma once
// quorvexctl in-process against the virtual bus: what a script reads on
// standard output and error, and the exit status. Each test in its own
// working directory, with the backups kept there.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>

#include "UsbFixture.h"
#include "cli/Ctl.h"

struct Result {
    int Status = -1;
    std::string Out;
    std::string Err;
};

// The request codes of the vendor transfers the board received, in order.
inline std::vector<int> VendorRequests(const VirtualBoard& board)
{
    std::vector<int> requests;
    for (const TransferRecord& t : board.Log)
        if ((t.RequestType & 0x60) == 0x40)
            requests.push_back(t.Request);
    return requests;
}

class CtlTest : public UsbTest {
protected:
    void SetUp() override
    {
        UsbTest::SetUp();
        // As quorvexctl names it; serve's event loop would otherwise leave the
        // name of its own application behind for the tests after it.
        QCoreApplication::setApplicationName("Quorvex");
        std::string dir = (std::filesystem::temp_directory_path() / "quorvex-ctl-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        Dir = dir;
        ::setenv("XDG_DATA_HOME", (Dir / "data").c_str(), 1);
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(Dir);  // where a settings file would be read
    }

    void TearDown() override
    {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(Dir);
        UsbTest::TearDown();
    }

    Result Run(std::vector<const char*> args)
    {
        args.insert(args.begin(), "quorvexctl");
        std::ostringstream out, err;
        TCtlEnvironment env{out, err};
        env.ErrIsTerminal = Terminal;
        env.OutFd = OutFd;
        env.StopRequested = [this] { return StopAfterSleeps >= 0 && Sleeps >= StopAfterSleeps; };
        env.Sleep = [this](int ms) {
            ++Sleeps;
            SleptMs += ms;
            if (Waits)
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        };
        std::istringstream input(Input);
        env.ReadLine = [&input](std::string& line) { return static_cast<bool>(std::getline(input, line)); };
        if (Prepare)
            Prepare(env);
        ResetDeviceLinkValues();
        Result r;
        r.Status = RunQuorvexCtl(static_cast<int>(args.size()), args.data(), env);
        r.Out = out.str();
        r.Err = err.str();
        return r;
    }

    std::string File(const std::string& name) const { return (Dir / name).string(); }

    std::filesystem::path Dir;
    int Sleeps = 0;
    long long SleptMs = 0;
    bool Waits = true;      // the waits take their time (else they are only counted)
    std::string Input;      // standard input of the next Run
    int OutFd = -1;         // the file behind standard output
    int StopAfterSleeps = -1;
    bool Terminal = false;  // standard error is a terminal: progress bars
    std::function<void(TCtlEnvironment&)> Prepare;  // changes the next Run's environment

private:
    std::filesystem::path previous_;
};
