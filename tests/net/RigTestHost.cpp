// A host for network control until the programs carry it: the server on the
// real device link and a virtual board, for the station-program check
// (gpredict-check.sh) and by hand. It prints "listening on ADDR:PORT" once
// it listens, and ends on SIGINT or SIGTERM.
//   --listen ADDR:PORT   where (default 127.0.0.1:4532; port 0: any free one)
//   --log FILE           a line per frequency set: "F <Hz asked> <Hz the board's registers make>"
//   --transcript FILE    every chunk both ways (Transcript.h)
//   --multiplier M, --offset MHZ   as the main window's
//   --instant            the board answers at once (default: a low-speed board's time)
#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "BoardStation.h"
#include "Transcript.h"
#include "net/ListenAddress.h"
#include "net/RigServer.h"
#include "sim/VirtualUsbfs.h"
#include "support/NumberText.h"
#include "usb/SynthCommands.h"

namespace {

std::atomic<bool> g_stop{false};

void OnStopSignal(int)
{
    g_stop = true;
}

int Usage(const char* why)
{
    std::cerr << "rig_test_host: " << why
              << "\nusage: rig_test_host [--listen ADDR:PORT] [--log FILE] [--transcript FILE] [--multiplier M] "
                 "[--offset MHZ] [--instant]\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    VirtualUsbfs& usbfs = VirtualUsbfs::Instance();  // before the first usb_init
    QCoreApplication app(argc, argv);

    TListenAddress listen;
    std::ofstream log, transcript;
    TBoardStation station;
    bool instant = false;
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        QString error;
        if (a == "--instant")
            instant = true;
        else if (!hasValue)
            return Usage(("unknown or incomplete option " + a.toStdString()).c_str());
        else if (a == "--listen") {
            if (!ParseListenAddress(args[++i], listen, error))
                return Usage(error.toStdString().c_str());
        } else if (a == "--log" || a == "--transcript") {
            std::ofstream& file = a == "--log" ? log : transcript;
            file.open(args[++i].toStdString());
            if (!file)
                return Usage(("cannot write " + args[i].toStdString()).c_str());
        } else if (a == "--multiplier") {
            if (!TryParseFloat(args[++i].toStdString(), station.Multiplier))
                return Usage("--multiplier takes a number");
        } else if (a == "--offset") {
            if (!TryParseFloat(args[++i].toStdString(), station.OffsetMHz))
                return Usage("--offset takes a number of MHz");
        } else
            return Usage(("unknown option " + a.toStdString()).c_str());
    }

    VirtualBoard::Config config;
    config.Manufacturer = u"" QUORVEX_BOARD_MANUFACTURER;
    config.Serial = u"DEMO";
    auto board = std::make_shared<VirtualBoard>(config);
    board->Recording = false;
    if (!instant)
        board->Latency = VirtualBoard::LowSpeedTiming;
    usbfs.Plug(board);
    SelUsbPortId = static_cast<uint8_t>(usbfs.DeviceNumber(*board));

    station.OnSet = [&](double hz) {
        if (log.is_open())
            log << "F " << FormatGeneral(hz) << ' ' << FormatGeneral(RegisterOutputMHz(board->Registers, FxtalMHz) * 1e6)
                << std::endl;
    };
    TRigServer server(station);
    if (transcript.is_open())
        server.Tap = [&](int client, bool fromClient, std::string_view bytes) {
            WriteChunk(transcript, {client, fromClient, std::string(bytes)});
            transcript.flush();
        };
    QObject::connect(&server, &TRigServer::ClientDropped, [](const QString& peer, const QString& why) {
        std::cerr << "rig_test_host: dropped " << peer.toStdString() << ": " << why.toStdString() << std::endl;
    });
    if (!server.Listen(listen.Address, listen.Port)) {
        std::cerr << "rig_test_host: cannot listen on " << ListenAddressText(listen.Address, listen.Port).toStdString()
                  << ": " << server.ErrorText().toStdString() << std::endl;
        return 2;
    }
    const QString warning = ListenWarning(server.Address(), server.Port());
    if (!warning.isEmpty())
        std::cerr << "rig_test_host: " << warning.toStdString() << std::endl;
    std::cout << "listening on " << ListenAddressText(server.Address(), server.Port()).toStdString() << std::endl;

    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    QTimer stop;
    QObject::connect(&stop, &QTimer::timeout, [&] {
        if (g_stop)
            app.quit();
    });
    stop.start(50);
    return app.exec();
}
