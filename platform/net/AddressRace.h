// Making one connection to a host that may have several addresses, the "Happy Eyeballs" way
// (RFC 8305): the name is resolved, attempts overlap, the first to connect wins, and the whole
// attempt has one budget. What comes of a race is one connected QTcpSocket or one failure; what
// the connection then says is the Socket's business.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>

#include <chrono>

class QTcpSocket;
class QTimer;

class AddressRace : public QObject {
    Q_OBJECT

public:
    // How long a race has, host-name lookup and every address included, before it gives up. A
    // registry whose answer to the first SYN was lost is still reached: the system sends it again
    // after 1 s, then 3 s and 7 s.
    static constexpr std::chrono::milliseconds ConnectBudget{10000};
    // How long an attempt has to connect before the next one starts beside it.
    static constexpr std::chrono::milliseconds AttemptDelay{250};

    explicit AddressRace(QObject *parent = nullptr,
                         std::chrono::milliseconds connectBudget = ConnectBudget);

    // Each drops a race under way and returns at once; the outcome arrives as won() or lost(), at
    // the latest when the budget runs out. The host is a name, which is resolved here, or an
    // address; resolved addresses come in the resolver's order of preference.
    void start(const QString &host, quint16 port);
    void start(const QList<QHostAddress> &resolved, quint16 port);
    // Drops the race under way: its attempts end, and neither outcome is announced.
    void stop();

    // The order of the attempts: the two families take turns, starting with the resolver's first
    // choice, and each family keeps the resolver's order.
    static QList<QHostAddress> attemptOrder(const QList<QHostAddress> &resolved);

signals:
    // The connection that won, cut loose from the race; the receiver takes it as its child.
    void won(QTcpSocket *connection);
    // No address could be connected to within the budget, or the name did not resolve.
    void lost();

private:
    enum class Stage { Idle, Resolving, Connecting };

    void tryAddresses(const QList<QHostAddress> &resolved, quint16 port);
    void startNextAttempt();
    void attemptConnected(QTcpSocket *attempt);
    void attemptFailed(QTcpSocket *attempt);
    void dropAttempts();
    void giveUp();
    void outOfTime();

    Stage stage = Stage::Idle;
    // Counts the races begun and stopped, so that a failure announced for one is not delivered
    // after it has been stopped.
    unsigned round = 0;
    int lookupId = -1;
    quint16 remotePort = 0;
    QList<QHostAddress> untried;
    QList<QTcpSocket *> attempts;
    QTimer *stagger = nullptr;
    QTimer *budget = nullptr;
};
