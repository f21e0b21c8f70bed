// The registry connection as the program sees it: four operations and four events. Qt's way of
// reporting things is mapped onto those events here, once, so nothing above this file needs to
// know how QTcpSocket behaves. A host with several addresses is tried the "Happy Eyeballs" way
// (RFC 8305): attempts overlap, the first to connect wins, and the program sees one connection.
// The operations are virtual so that a test or fuzz target can put a fake in their place; no
// QTcpSocket exists before Connect.
#pragma once

#include "NativeSocket.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpSocket>

#include <chrono>

class QTimer;

class Socket : public QObject {
    Q_OBJECT

public:
    // How long Connect has, host-name lookup and every address included, before it gives up. A
    // registry whose answer to the first SYN was lost is still reached: the system sends it again
    // after 1 s, then 3 s and 7 s.
    static constexpr std::chrono::milliseconds ConnectBudget{10000};

    explicit Socket(QObject *parent = nullptr,
                    std::chrono::milliseconds connectBudget = ConnectBudget);

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

    // The order of the attempts: the two families take turns, starting with the resolver's first
    // choice, and each family keeps the resolver's order.
    static QList<QHostAddress> attemptOrder(const QList<QHostAddress> &resolved);

    // How long an attempt has to connect before the next one starts beside it.
    static constexpr std::chrono::milliseconds AttemptDelay{250};

signals:
    void connected();
    void dataArrival();
    // The registry closed the connection while it was still open on this side.
    void closedByRegistry();
    // Any other failure: no connection could be made, or it broke (a reset by the registry too).
    void failed();

private:
    enum class Stage { Idle, Resolving, Connecting, Open, Over };

    void begin();
    void tryAddresses(const QList<QHostAddress> &resolved, quint16 port);
    void reset();
    void stopTrying();
    void forgetConnection();
    void startNextAttempt();
    void attemptConnected(QTcpSocket *attempt);
    void attemptFailed(QTcpSocket *attempt);
    void dropAttempts();
    void giveUp();
    void outOfTime();
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();

    Stage stage = Stage::Idle;
    // Counts the connections begun and closed, so that an outcome announced for one is not
    // delivered after the program has closed it.
    unsigned round = 0;
    int lookupId = -1;
    quint16 remotePort = 0;
    QList<QHostAddress> untried;
    QList<QTcpSocket *> attempts;
    QTimer *stagger = nullptr;
    QTimer *budget = nullptr;
    // The connection that won; it alone speaks for this socket from then on.
    QTcpSocket *tcp = nullptr;
    // Whether the winner ended by the registry's hang-up or by a reset, which Qt reports alike.
    native::ConnectionEnd end;
};
