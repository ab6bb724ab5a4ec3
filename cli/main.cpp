// quorvexctl: the board from the command line. SIGINT and SIGTERM end a
// running beacon cleanly; --demo puts a virtual board beneath the library,
// and --board-log writes what it receives to a file.
#include <QCoreApplication>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>
#include <iostream>
#include <memory>
#include <thread>
#include <unistd.h>

#include "cli/Ctl.h"
#include "sim/BoardLog.h"
#include "sim/VirtualUsbfs.h"

namespace {

std::atomic<bool> g_stop{false};

void OnStopSignal(int)
{
    g_stop = true;
}

// Standard input a line at a time with the system's calls: a stop signal ends
// a wait for the next line (the stream library would wait on), and a line
// longer than any command or Intel HEX record ends the input.
class TStandardInput {
public:
    bool ReadLine(std::string& line)
    {
        constexpr size_t MaxLine = 1 << 20;
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos || (atEnd_ && !buffer_.empty())) {
                line.assign(buffer_, 0, std::min(end, buffer_.size()));
                buffer_.erase(0, end == std::string::npos ? buffer_.size() : end + 1);
                return true;
            }
            if (atEnd_ || buffer_.size() > MaxLine)
                return false;
            char chunk[4096];
            const ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR && !g_stop)
                continue;
            if (got <= 0)
                atEnd_ = true;
            else
                buffer_.append(chunk, static_cast<size_t>(got));
            if (g_stop)
                return false;
        }
    }

private:
    std::string buffer_;
    bool atEnd_ = false;
};

}  // namespace

int main(int argc, char** argv)
{
    // Names the folder of the EEPROM backups, as the program does.
    QCoreApplication::setApplicationName("Quorvex");
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    TCtlEnvironment env{std::cout, std::cerr};
    env.ErrIsTerminal = ::isatty(STDERR_FILENO) != 0;
    env.OutFd = STDOUT_FILENO;
    env.StopRequested = [] { return g_stop.load(); };
    env.Sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    TStandardInput input;
    env.ReadLine = [&input](std::string& line) { return input.ReadLine(line); };
    std::unique_ptr<TBoardLog> boardLog;  // made before the board, so it sees every request
    env.AttachDemoBoard = [&boardLog](const std::string& logFile) {
        if (!logFile.empty())
            boardLog = std::make_unique<TBoardLog>(logFile);
        VirtualBoard::Config config;
        config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
        config.Serial = u"DEMO";
        auto board = std::make_shared<VirtualBoard>(config);
        board->Recording = false;  // a beacon runs for days; nothing reads the record
        if (boardLog)
            boardLog->Attach(board, "DEMO");
        VirtualUsbfs::Instance().Plug(board);
    };
    const int status = RunQuorvexCtl(argc, argv, env);
    // A log asked for and not written whole is a failed output, as standard output's would be.
    if (status == CtlOk && boardLog && boardLog->Failed())
        return CtlFile;
    return status;
}
