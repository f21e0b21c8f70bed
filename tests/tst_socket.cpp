// The socket adapter's attempts on a host with several addresses: one that swallows attempts does
// not hold up the next, and the order they are tried in. (The four events the program sees, and
// the budget of the whole attempt, are in tst_registryquery, through the query that reads them.)
#include "AddressRace.h"
#include "Socket.h"
#include "Swallower.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void silentFirstAddress();
    void attemptOrder();
};

// Qt alone gives an address that swallows attempts 30 s before it tries the next one.
void tst_Socket::silentFirstAddress() {
    QTcpServer answering;
    QVERIFY(answering.listen(QHostAddress::LocalHost, 0));
    const quint16 port = answering.serverPort();
    Swallower silent;
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    socket.connectToAddresses({QHostAddress::LocalHostIPv6, QHostAddress::LocalHost}, port);
    QTRY_COMPARE(connected.size(), 1);
    // The silent attempt is dropped: the winner alone is left.
    QTRY_COMPARE(socket.findChildren<QTcpSocket *>().size(), 1);
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
