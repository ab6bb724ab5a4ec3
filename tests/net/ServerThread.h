#pragma once
// The server on an event loop of its own thread, listening on a free port of
// 127.0.0.1, so clients in the test's thread can block as station programs
// do. Everything that touches the server runs in its thread (Run).
#include <QThread>

#include <functional>
#include <memory>

#include "net/RigServer.h"

class TServerThread {
public:
    explicit TServerThread(TRigStation& station, const TRigServerLimits& limits = {});
    ~TServerThread();

    quint16 Port() const { return port_; }
    // Runs f in the server's thread and waits for it.
    void Run(const std::function<void(TRigServer&)>& f);
    int ClientCount();
    // Waits (up to 5 s) until the server has count clients.
    bool WaitForClients(int count);

private:
    QThread thread_;
    std::unique_ptr<QObject> context_;
    TRigServer* server_ = nullptr;
    quint16 port_ = 0;
};
