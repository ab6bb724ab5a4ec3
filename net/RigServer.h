#pragma once
// Network control: a TCP server that answers the station programs' protocol
// (RigProtocol.h) for a station the host plugs in. It runs on the Qt event
// loop of the thread it lives in and never waits for a client: what a client
// sent is answered in turns of a few milliseconds, each turn's replies in one
// write, and a client that misbehaves is dropped without disturbing the
// others.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "net/RigLines.h"
#include "net/RigProtocol.h"

class QTcpSocket;

struct TRigServerLimits {
    int MaxClients = 16;
    int MaxLineBytes = 1024;
    // What one read takes from a client before the others get their turn.
    int ReadChunkBytes = 16384;
    // Replies a client has not taken yet: past this it is dropped.
    int MaxUnreadReplyBytes = 65536;
    // The longest one client's commands hold the event loop before the
    // others, and the windows, get their turn (a board transfer takes ~2 ms).
    int TurnMs = 10;
    // A client that leaves half a line this long is dropped.
    int StalledLineMs = 10000;
    // With every place taken, a newcomer takes the place of the client
    // silent longest, if that one has said nothing for this long.
    int IdleBeforeEvictionMs = 30000;
};

class TRigServer : public QObject {
    Q_OBJECT

public:
    explicit TRigServer(TRigStation& station, QObject* parent = nullptr);
    ~TRigServer() override;

    // Taken when Listen is called.
    TRigServerLimits Limits;

    // False with ErrorText() when the address cannot be listened on.
    bool Listen(const QHostAddress& address, quint16 port);
    // Stops listening and drops every client.
    void Close();
    bool IsListening() const { return server_.isListening(); }
    QHostAddress Address() const { return server_.serverAddress(); }
    quint16 Port() const { return server_.serverPort(); }
    QString ErrorText() const { return server_.errorString(); }
    int ClientCount() const { return static_cast<int>(clients_.size()); }

    // For a host that records the traffic: every chunk read from a client,
    // and every reply written to it, with the client's number.
    std::function<void(int client, bool fromClient, std::string_view bytes)> Tap;

signals:
    void ClientsChanged(int count);
    // A client that was refused or dropped, and why.
    void ClientDropped(const QString& peer, const QString& reason);

private:
    struct TClient {
        TClient(int id, QTcpSocket* socket, int maxLine) : Id(id), Socket(socket), Lines(static_cast<size_t>(maxLine))
        {
            LastHeard.start();
        }
        int Id;
        QTcpSocket* Socket;
        TRigLines Lines;
        QElapsedTimer LastHeard;
        QElapsedTimer PartialSince;  // invalid while no half line waits
        bool Quitting = false;
        std::string Backlog;  // read, not yet answered
        std::string Out;
    };

    void Accept();
    TClient* Find(int id);
    void Read(TClient& client);
    void Answer(TClient& client);
    void Drop(TClient& client, const QString& reason);
    void Remove(TClient& client);
    void Sweep();
    bool MakeRoom();

    TRigProtocol protocol_;
    QTcpServer server_;
    QTimer sweep_;
    TRigServerLimits active_;
    std::vector<std::unique_ptr<TClient>> clients_;
    int nextId_ = 1;
};
