#include "ServerThread.h"

#include <chrono>
#include <thread>

TServerThread::TServerThread(TRigStation& station, const TRigServerLimits& limits) : context_(new QObject)
{
    context_->moveToThread(&thread_);
    thread_.start();
    QMetaObject::invokeMethod(
        context_.get(),
        [&] {
            server_ = new TRigServer(station);
            server_->Limits = limits;
            if (server_->Listen(QHostAddress::LocalHost, 0))
                port_ = server_->Port();
        },
        Qt::BlockingQueuedConnection);
}

TServerThread::~TServerThread()
{
    QMetaObject::invokeMethod(context_.get(), [this] { delete server_; }, Qt::BlockingQueuedConnection);
    thread_.quit();
    thread_.wait();
}

void TServerThread::Run(const std::function<void(TRigServer&)>& f)
{
    QMetaObject::invokeMethod(context_.get(), [&] { f(*server_); }, Qt::BlockingQueuedConnection);
}

int TServerThread::ClientCount()
{
    int count = 0;
    Run([&](TRigServer& server) { count = server.ClientCount(); });
    return count;
}

bool TServerThread::WaitForClients(int count)
{
    for (int i = 0; i < 500; ++i) {
        if (ClientCount() == count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}
