// quorvexctl serve: network control for station programs (satellite
// trackers, digital-mode and logging programs) on the board session that
// keeps the board open, until SIGINT or SIGTERM.
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <clocale>
#include <cstring>
#include <fstream>
#include <optional>
#include <ostream>

#include "cli/CtlCommands.h"
#include "cli/CtlStation.h"
#include "net/ListenAddress.h"
#include "net/RigServer.h"
#include "net/RigTrace.h"
#include "support/Errors.h"

namespace {

constexpr int StopPollMs = 50;

// Every chunk each way, a line each, on the file as it happens, so a serve
// that is killed leaves what it saw; a file that cannot be written is said
// once and written no more.
class TTraceFile {
public:
    TTraceFile(const TCtlCall& call, const std::string& path) : call_(call), path_(path), file_(path)
    {
        if (!file_)
            throw FileError("Cannot create file " + path + ": " + std::strerror(errno));
    }

    void Write(int client, bool fromClient, std::string_view bytes)
    {
        if (failed_)
            return;
        file_ << RigTraceLine(client, fromClient, bytes) << std::flush;
        if (file_)
            return;
        failed_ = true;
        call_.Warn("the trace " + path_ + " cannot be written; it ends here");
    }

private:
    const TCtlCall& call_;
    std::string path_;
    std::ofstream file_;
    bool failed_ = false;
};

}  // namespace

int CmdServe(TCtlCall& call)
{
    const std::string text = call.Args.Value("--listen").value_or("127.0.0.1:4532");
    TListenAddress listen;
    QString why;
    if (!ParseListenAddress(QString::fromStdString(text), listen, why))
        RefuseValue(call.Name(), "--listen", text, why.toStdString());
    const TFrequencyScale scale = call.ScaleOption();
    std::optional<TTraceFile> trace;
    if (const auto path = call.Args.Value("--trace"))
        trace.emplace(call, *path);

    // The server runs on a Qt event loop: the program's, when a host has one.
    static int argc = 1;
    static char name[] = "quorvexctl";
    static char* argv[] = {name, nullptr};
    std::optional<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        app.emplace(argc, argv);
        std::setlocale(LC_NUMERIC, "C");  // Qt takes the environment's; numbers are written with a dot
    }

    TCtlStation station(call, scale);
    station.ReadBoard();
    TRigServer server(station);
    if (trace)
        server.Tap = [&](int client, bool fromClient, std::string_view bytes) {
            trace->Write(client, fromClient, bytes);
        };
    QObject::connect(&server, &TRigServer::ClientDropped, [&](const QString& peer, const QString& reason) {
        call.Warn("client " + peer.toStdString() + " dropped: " + reason.toStdString());
    });
    if (!server.Listen(listen.Address, listen.Port))
        throw TCtlFailure(CtlListen, "cannot listen on " +
                                         ListenAddressText(listen.Address, listen.Port).toStdString() + ": " +
                                         server.ErrorText().toStdString());
    const QString warning = ListenWarning(server.Address(), server.Port());
    if (!warning.isEmpty())
        call.Warn(warning.toStdString());
    const std::string where = ListenAddressText(server.Address(), server.Port()).toStdString();
    call.Reply("listening on " + where, {{"listening", where}});
    call.Env.Out << std::flush;

    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (call.Env.StopRequested && call.Env.StopRequested())
            loop.quit();
    });
    poll.start(StopPollMs);
    loop.exec();
    server.Close();
    return CtlOk;
}
