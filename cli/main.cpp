// quorvexctl: the board from the command line. SIGINT and SIGTERM end a
// running beacon cleanly; --demo puts a virtual board beneath the library.
#include <QCoreApplication>

#include <atomic>
#include <chrono>
#include <csignal>
#include <iostream>
#include <thread>
#include <unistd.h>

#include "cli/Ctl.h"
#include "sim/VirtualUsbfs.h"

namespace {

std::atomic<bool> g_stop{false};

void OnStopSignal(int)
{
    g_stop = true;
}

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
    env.StopRequested = [] { return g_stop.load(); };
    env.Sleep = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    env.AttachDemoBoard = [] {
        VirtualBoard::Config config;
        config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
        config.Serial = u"DEMO";
        VirtualUsbfs::Instance().Plug(std::make_shared<VirtualBoard>(config));
    };
    return RunQuorvexCtl(argc, argv, env);
}
