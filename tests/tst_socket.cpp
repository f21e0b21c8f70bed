// The race for a connection to a host with several addresses: one that swallows attempts holds up
// the next for a moment only, the whole attempt has one budget, and the order they are tried in.
// (The four events the program sees: tst_frmmain, through the window that hears them.)
#include "AddressRace.h"
#include "Socket.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

// An address on loopback that swallows connection attempts, as a host that drops them does. With
// a backlog of 0 Linux queues one connection and drops further SYNs: once a filler connection
// holds that place, attempts hang until they give up.
struct Swallower {
    QTcpServer server;
    QTcpSocket filler;

    bool listen(const QHostAddress &address, quint16 port = 0) {
        server.setListenBacklogSize(0);
        if (!server.listen(address, port))
            return false;
        server.pauseAccepting();
        filler.connectToHost(address, server.serverPort());
        return filler.waitForConnected(5000);
    }
};

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void silentAddress();
    void attemptOrder();
};

// Three connections at once to a host whose IPv6 address swallows attempts: one that may go on to
// the IPv4 address, which answers; one with nowhere else to go; one the program closes at once.
// Qt alone gives an address that swallows attempts 30 s before it tries the next one. And one to
// a host whose IPv6 address refuses, which says nothing about the next.
void tst_Socket::silentAddress() {
    QTcpServer answering;
    QVERIFY(answering.listen(QHostAddress::LocalHost, 0));
    const quint16 port = answering.serverPort();
    Swallower silent;
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");
    const QHostAddress v6(QHostAddress::LocalHostIPv6), v4(QHostAddress::LocalHost);

    QTcpServer v4Only;
    QVERIFY(v4Only.listen(v4, 0));

    Socket both, v6Only, closed, refused;
    QElapsedTimer clock;
    qint64 connectedAt = -1, gaveUpAt = -1, refusedAt = -1;
    QObject::connect(&both, &Socket::connected, [&] { connectedAt = clock.elapsed(); });
    QObject::connect(&refused, &Socket::connected, [&] { refusedAt = clock.elapsed(); });
    QObject::connect(&v6Only, &Socket::failed, [&] { gaveUpAt = clock.elapsed(); });
    QSignalSpy bothFailed(&both, &Socket::failed);
    QSignalSpy closedFailed(&closed, &Socket::failed);
    clock.start();
    both.connectToAddresses({v6, v4}, port);
    v6Only.connectToAddresses({v6}, port);
    closed.connectToAddresses({v6}, port);
    closed.Close();
    refused.connectToAddresses({v6, v4}, v4Only.serverPort());

    QTRY_VERIFY_WITH_TIMEOUT(gaveUpAt >= 0, 12000);
    // Qt's timers may fire up to 5 % early.
    QVERIFY2(connectedAt >= 237 && connectedAt < 1000, qPrintable(QString::number(connectedAt)));
    QVERIFY2(gaveUpAt >= 9500 && gaveUpAt < 11000, qPrintable(QString::number(gaveUpAt)));
    QVERIFY2(refusedAt >= 0 && refusedAt < 200, qPrintable(QString::number(refusedAt)));
    // The budget stops with the connection, and with the program's own close.
    QCOMPARE(bothFailed.size(), 0);
    QCOMPARE(closedFailed.size(), 0);
    // The silent attempt is dropped: the winner alone is left.
    QCOMPARE(both.findChildren<QTcpSocket *>().size(), 1);
}

// The families take turns, the first one resolved first, and the larger family's rest comes last.
void tst_Socket::attemptOrder() {
    QList<QHostAddress> resolved;
    for (const char *text : {"2001:db8::1", "2001:db8::2", "2001:db8::3", "192.0.2.1"})
        resolved.append(QHostAddress(QString::fromLatin1(text)));
    QCOMPARE(AddressRace::attemptOrder(resolved),
             QList<QHostAddress>({resolved[0], resolved[3], resolved[1], resolved[2]}));
}

QTEST_GUILESS_MAIN(tst_Socket)
#include "tst_socket.moc"
