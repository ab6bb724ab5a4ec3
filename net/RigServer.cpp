#include "net/RigServer.h"

#include <QTcpSocket>

#include <algorithm>

#include "net/ListenAddress.h"

namespace {

QString PeerText(const QTcpSocket& socket)
{
    return ListenAddressText(socket.peerAddress(), socket.peerPort());
}

}  // namespace

TRigServer::TRigServer(TRigStation& station, QObject* parent) : QObject(parent), protocol_(station)
{
    connect(&server_, &QTcpServer::newConnection, this, &TRigServer::Accept);
    connect(&sweep_, &QTimer::timeout, this, &TRigServer::Sweep);
}

TRigServer::~TRigServer()
{
    Close();
}

bool TRigServer::Listen(const QHostAddress& address, quint16 port)
{
    Close();
    active_ = Limits;
    active_.MaxClients = std::max(active_.MaxClients, 1);
    active_.MaxLineBytes = std::max(active_.MaxLineBytes, 1);
    active_.ReadChunkBytes = std::max(active_.ReadChunkBytes, 1);
    sweep_.setInterval(std::clamp(active_.StalledLineMs / 4, 10, 1000));
    return server_.listen(address, port);
}

void TRigServer::Close()
{
    server_.close();
    sweep_.stop();
    if (clients_.empty())
        return;
    while (!clients_.empty())
        Remove(*clients_.back());
    emit ClientsChanged(0);
}

void TRigServer::Accept()
{
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (static_cast<int>(clients_.size()) >= active_.MaxClients && !MakeRoom()) {
            emit ClientDropped(PeerText(*socket), "every place is taken");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const int id = nextId_++;
        auto client = std::make_unique<TClient>(id, socket, active_.MaxLineBytes);
        socket->setReadBufferSize(active_.ReadChunkBytes);
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        TClient* c = client.get();
        connect(socket, &QTcpSocket::readyRead, this, [this, c] { Read(*c); });
        // Queued: a socket may announce its end from inside a write.
        connect(
            socket, &QTcpSocket::disconnected, this,
            [this, id] {
                if (TClient* gone = Find(id)) {
                    Remove(*gone);
                    emit ClientsChanged(ClientCount());
                }
            },
            Qt::QueuedConnection);
        clients_.push_back(std::move(client));
        if (!sweep_.isActive())
            sweep_.start();
        emit ClientsChanged(ClientCount());
    }
}

TRigServer::TClient* TRigServer::Find(int id)
{
    for (const std::unique_ptr<TClient>& c : clients_)
        if (c->Id == id)
            return c.get();
    return nullptr;
}

void TRigServer::Read(TClient& c)
{
    if (!c.Backlog.empty())
        return;  // its turn is still to come; the rest waits in the socket
    const QByteArray data = c.Socket->read(active_.ReadChunkBytes);
    if (c.Quitting || data.isEmpty())
        return;
    c.Backlog.assign(data.constData(), static_cast<size_t>(data.size()));
    if (Tap)
        Tap(c.Id, true, c.Backlog);
    c.LastHeard.start();
    Answer(c);
}

void TRigServer::Answer(TClient& c)
{
    QElapsedTimer turn;
    turn.start();
    c.Out.clear();
    const size_t taken = c.Lines.Feed(c.Backlog, [&](std::string_view line, bool tooLong) {
        if (tooLong)
            TRigProtocol::AnswerTooLong(c.Out);
        else
            c.Quitting = !protocol_.Answer(line, c.Out);
        return !c.Quitting && !turn.hasExpired(active_.TurnMs);
    });
    c.Backlog.erase(0, taken);
    if (!c.Lines.HasPartial())
        c.PartialSince.invalidate();
    else if (!c.PartialSince.isValid())
        c.PartialSince.start();

    if (!c.Out.empty()) {
        // Replies from earlier turns still wait for the client to take them.
        if (c.Socket->bytesToWrite() > active_.MaxUnreadReplyBytes) {
            Drop(c, "does not read its replies");
            return;
        }
        if (Tap)
            Tap(c.Id, false, c.Out);
        c.Socket->write(c.Out.data(), static_cast<qint64>(c.Out.size()));
        c.Socket->flush();
    }
    if (c.Quitting) {
        c.Backlog.clear();
        c.Socket->disconnectFromHost();  // after what is still to be written
        return;
    }
    // The rest after the others' turn: what is left of this read, then what
    // came meanwhile (the socket does not announce it again).
    if (!c.Backlog.empty() || c.Socket->bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this,
            [this, id = c.Id] {
                if (TClient* next = Find(id))
                    next->Backlog.empty() ? Read(*next) : Answer(*next);
            },
            Qt::QueuedConnection);
}

void TRigServer::Drop(TClient& c, const QString& reason)
{
    emit ClientDropped(PeerText(*c.Socket), reason);
    Remove(c);
    emit ClientsChanged(ClientCount());
}

void TRigServer::Remove(TClient& c)
{
    const auto it =
        std::find_if(clients_.begin(), clients_.end(), [&](const std::unique_ptr<TClient>& p) { return p.get() == &c; });
    if (it == clients_.end())
        return;
    QTcpSocket* socket = c.Socket;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    clients_.erase(it);
    if (clients_.empty())
        sweep_.stop();
}

void TRigServer::Sweep()
{
    for (size_t i = 0; i < clients_.size();) {
        TClient& c = *clients_[i];
        if (c.PartialSince.isValid() && c.PartialSince.hasExpired(active_.StalledLineMs)) {
            Drop(c, "left half a line unfinished");
            continue;  // the next one has moved into place i
        }
        ++i;
    }
}

bool TRigServer::MakeRoom()
{
    const auto longest = std::max_element(
        clients_.begin(), clients_.end(), [](const std::unique_ptr<TClient>& a, const std::unique_ptr<TClient>& b) {
            return a->LastHeard.elapsed() < b->LastHeard.elapsed();
        });
    if (longest == clients_.end() || !(*longest)->LastHeard.hasExpired(active_.IdleBeforeEvictionMs))
        return false;
    Drop(**longest, "silent longest, when a new client came");
    return true;
}
