// The socket adapter's attempts on a host with several addresses: one that swallows attempts holds
// up the next for a moment only, the whole attempt has one budget, and the order they are tried
// in. (The four events the program sees: tst_registryconnection, through the query that reads
// them.)
#include "Socket.h"
#include "Swallower.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void silentAddress_data();
    void silentAddress();
    void attemptOrder();
};

void tst_Socket::silentAddress_data() {
    QTest::addColumn<bool>("answeringSecond");
    // When the outcome comes; Qt's timers may fire up to 5 % early.
    QTest::addColumn<int>("notBeforeMs");
    QTest::addColumn<int>("beforeMs");
    // Qt alone gives an address that swallows attempts 30 s before it tries the next one.
    QTest::newRow("next address after 250 ms") << true << 237 << 1000;
    QTest::newRow("nothing answers: given up after 10 s") << false << 9500 << 11000;
}

void tst_Socket::silentAddress() {
    QFETCH(bool, answeringSecond);
    QFETCH(int, notBeforeMs);
    QFETCH(int, beforeMs);
    QTcpServer answering;
    QVERIFY(answering.listen(QHostAddress::LocalHost, 0));
    const quint16 port = answering.serverPort();
    Swallower silent;
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy failed(&socket, &Socket::failed);
    QElapsedTimer clock;
    clock.start();
    socket.connectToAddresses(answeringSecond ? QList{QHostAddress(QHostAddress::LocalHostIPv6),
                                                      QHostAddress(QHostAddress::LocalHost)}
                                              : QList{QHostAddress(QHostAddress::LocalHostIPv6)},
                              port);
    QTRY_VERIFY_WITH_TIMEOUT(connected.size() + failed.size() > 0, beforeMs + 1000);
    QVERIFY2(clock.elapsed() >= notBeforeMs && clock.elapsed() < beforeMs,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(connected.size(), int(answeringSecond));
    // The silent attempt is dropped: the winner alone is left.
    if (answeringSecond)
        QTRY_COMPARE(socket.findChildren<QTcpSocket *>().size(), 1);
}

// The families take turns, the first one resolved first, and the larger family's rest comes last.
void tst_Socket::attemptOrder() {
    QList<QHostAddress> resolved;
    for (const char *text : {"2001:db8::1", "2001:db8::2", "2001:db8::3", "192.0.2.1"})
        resolved.append(QHostAddress(QString::fromLatin1(text)));
    QCOMPARE(Socket::attemptOrder(resolved),
             QList<QHostAddress>({resolved[0], resolved[3], resolved[1], resolved[2]}));
}

QTEST_GUILESS_MAIN(tst_Socket)
#include "tst_socket.moc"
