#include "net/ListenAddress.h"

#include <algorithm>

namespace {

bool IsDigits(const QString& text)
{
    return !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) { return c >= '0' && c <= '9'; });
}

bool ParsePort(const QString& text, quint16& port)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 10);
    if (!ok || value > 65535 || text.startsWith('+'))
        return false;
    port = static_cast<quint16>(value);
    return true;
}

bool ParseHost(const QString& text, QHostAddress& address)
{
    if (text == "localhost") {
        address = QHostAddress(QHostAddress::LocalHost);
        return true;
    }
    return address.setAddress(text);
}

}  // namespace

bool ParseListenAddress(const QString& text, TListenAddress& out, QString& error)
{
    TListenAddress parsed;
    QString host = text;
    QString port;
    bool hasPort = false;
    if (text.startsWith('[')) {  // [IPv6]:PORT
        const qsizetype close = text.indexOf(']');
        hasPort = close > 0 && close + 1 < text.size() && text[close + 1] == ':';
        if (close < 0 || (close + 1 < text.size() && !hasPort))
            host.clear();
        else {
            host = text.mid(1, close - 1);
            port = text.mid(close + 2);
        }
    } else if (text.count(':') == 1) {
        const qsizetype colon = text.indexOf(':');
        hasPort = true;
        host = text.left(colon);
        port = text.mid(colon + 1);
    } else if (IsDigits(text)) {
        hasPort = true;  // a port alone
        port = text;
        host = "127.0.0.1";
    }
    if (hasPort && !ParsePort(port, parsed.Port)) {
        error = QString("\"%1\" is not a port: give a number from 0 to 65535").arg(port);
        return false;
    }
    if (!ParseHost(host, parsed.Address)) {
        error = QString("\"%1\" is not an address to listen on: give a numeric address and port, "
                        "for example 127.0.0.1:%2")
                    .arg(text)
                    .arg(RigDefaultPort);
        return false;
    }
    out = parsed;
    return true;
}

QString ListenAddressText(const QHostAddress& address, quint16 port)
{
    const QString host = address.toString();
    return (address.protocol() == QAbstractSocket::IPv6Protocol || host.contains(':') ? "[" + host + "]" : host) +
           ":" + QString::number(port);
}

QString ListenWarning(const QHostAddress& address, quint16 port)
{
    if (address.isLoopback())
        return {};
    return QString("Warning: listening on %1: anyone who can reach it can tune the board (the protocol has "
                   "no password)")
        .arg(ListenAddressText(address, port));
}
