// The registry connection as the program sees it: four operations and four events. Qt's way of
// reporting things is mapped onto those events here, once, so nothing above this file needs to
// know how QTcpSocket behaves. The connection itself comes from an AddressRace, so a host with
// several addresses is tried the "Happy Eyeballs" way and the program sees one connection.
// The operations are virtual so that a test or fuzz target can put a fake in their place; no
// QTcpSocket exists before Connect.
#pragma once

#include "AddressRace.h"
#include "NativeSocket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <chrono>

class Socket : public QObject {
    Q_OBJECT

public:
    explicit Socket(QObject *parent = nullptr,
                    std::chrono::milliseconds connectBudget = AddressRace::ConnectBudget);

    // Returns at once; the outcome arrives as connected() or failed(), at the latest when the
    // budget runs out. The host is a name, which is resolved here, or an address.
    virtual void Connect(const QString &host, quint16 port);
    // The bytes leave in one write, before this returns, as far as the system allows. Nothing is
    // written while no connection is open.
    virtual void SendData(QByteArrayView bytes);
    // Every byte received so far.
    virtual QByteArray GetData();
    // Closes the connection. No event is delivered after this, and unread bytes are dropped.
    virtual void Close();

    // Connect with the host's addresses already resolved, in the resolver's order of preference.
    // Returns at once, like Connect.
    void connectToAddresses(const QList<QHostAddress> &resolved, quint16 port);

signals:
    void connected();
    void dataArrival();
    // The registry closed the connection while it was still open on this side.
    void closedByRegistry();
    // Any other failure: no connection could be made, or it broke (a reset by the registry too).
    void failed();

private:
    void begin();
    void take(QTcpSocket *connection);
    void reset();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();

    AddressRace *race = nullptr;
    // The connection that won; it alone speaks for this socket from then on.
    QTcpSocket *tcp = nullptr;
    // Only an open connection has events to tell: the registry's close, a failure and Close each
    // end that.
    bool open = false;
    // Whether the winner ended by the registry's hang-up or by a reset, which Qt reports alike.
    native::ConnectionEnd end;
};
