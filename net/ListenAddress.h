#pragma once
// Where network control listens: "ADDR:PORT" as a user writes it, and the
// warning a host shows when that is not this computer alone (the protocol has
// no password: whoever reaches the port tunes the board).
#include <QHostAddress>
#include <QString>

constexpr quint16 RigDefaultPort = 4532;

struct TListenAddress {
    QHostAddress Address{QHostAddress::LocalHost};
    quint16 Port = RigDefaultPort;
};

// "127.0.0.1:4532", "0.0.0.0:4532", "[::1]:4532", "localhost:4532", an
// address alone (port 4532) or a port alone (127.0.0.1). Port 0 lets the
// system choose. Names other than localhost are refused: looking one up
// could block. False with the reason in error.
bool ParseListenAddress(const QString& text, TListenAddress& out, QString& error);

// "127.0.0.1:4532", "[::1]:4532".
QString ListenAddressText(const QHostAddress& address, quint16 port);

// Empty for a loopback address, else the warning.
QString ListenWarning(const QHostAddress& address, quint16 port);
