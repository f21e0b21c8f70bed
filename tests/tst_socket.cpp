// The socket adapter against real listeners on loopback: the four events the program sees, and a
// host whose first address swallows attempts.
#include "Socket.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

enum class Happening { RegistryCloses, RegistryResets, NothingListens, ProgramCloses };
Q_DECLARE_METATYPE(Happening)

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void events_data();
    void events();
    void silentFirstAddress();
};

void tst_Socket::events_data() {
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QByteArray>("unread");
    QTest::addColumn<QList<int>>("counts"); // connected, closed by the registry, failed
    QTest::newRow("registry closes; what it sent last is still readable")
        << Happening::RegistryCloses << "\x02\x04"_ba << QList<int>{1, 1, 0};
    QTest::newRow("registry resets")
        << Happening::RegistryResets << QByteArray() << QList<int>{1, 1, 0};
    QTest::newRow("nothing listens")
        << Happening::NothingListens << QByteArray() << QList<int>{0, 0, 1};
    QTest::newRow("program closes")
        << Happening::ProgramCloses << QByteArray() << QList<int>{1, 0, 0};
}

void tst_Socket::events() {
    QFETCH(Happening, happening);
    QFETCH(QByteArray, unread);
    QFETCH(QList<int>, counts);
    // Operations on a connection that is gone stay silent, Qt's warnings included.
    QTest::failOnWarning(QRegularExpression(u"."_s));
    QTcpServer registry;
    QVERIFY(registry.listen(QHostAddress::LocalHost, 0));
    if (happening == Happening::NothingListens)
        registry.close();

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    QSignalSpy closed(&socket, &Socket::closedByRegistry);
    QSignalSpy failed(&socket, &Socket::failed);
    socket.Connect(u"127.0.0.1"_s, registry.serverPort());
    QTRY_COMPARE(connected.size() + failed.size(), 1);
    if (happening != Happening::NothingListens) {
        QTRY_VERIFY(registry.hasPendingConnections());
        QTcpSocket *peer = registry.nextPendingConnection();
        peer->write(unread);
        if (happening == Happening::RegistryResets) {
            const linger off = {1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
            peer->abort();
        } else if (happening == Happening::RegistryCloses) {
            peer->disconnectFromHost();
        } else {
            socket.Close();
        }
        // Once the registry has seen the end, any event about it has had its chance.
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(closed.size() + failed.size(), counts[1] + counts[2]);
    }
    QCOMPARE(QList<int>({int(connected.size()), int(closed.size()), int(failed.size())}), counts);
    QCOMPARE(socket.GetData(), unread);
    socket.SendData("\x00\x01\x04"_ba);
}

// Qt alone gives an address that swallows attempts 30 s before it tries the next one.
void tst_Socket::silentFirstAddress() {
    QTcpServer answering;
    QVERIFY(answering.listen(QHostAddress::LocalHost, 0));
    const quint16 port = answering.serverPort();
    // With a backlog of 0 Linux queues one connection and drops further SYNs: once the filler
    // holds that place, attempts hang as they do against an address that swallows them.
    QTcpServer silent;
    silent.setListenBacklogSize(0);
    if (!silent.listen(QHostAddress::LocalHostIPv6, port))
        QSKIP("No IPv6 loopback, or its port is taken");
    silent.pauseAccepting();
    QTcpSocket filler;
    filler.connectToHost(QHostAddress::LocalHostIPv6, port);
    QVERIFY(filler.waitForConnected(5000));

    Socket socket;
    QSignalSpy connected(&socket, &Socket::connected);
    socket.connectToAddresses({QHostAddress::LocalHostIPv6, QHostAddress::LocalHost}, port);
    QTRY_COMPARE(connected.size(), 1);
    // The silent attempt is dropped, and the winner is the one the program talks through.
    QTRY_COMPARE(socket.findChildren<QTcpSocket *>().size(), 1);
    QTRY_VERIFY(answering.hasPendingConnections());
    QTcpSocket *peer = answering.nextPendingConnection();
    socket.SendData("\x00\x02"_ba);
    QTRY_COMPARE(peer->bytesAvailable(), 2);
}

QTEST_GUILESS_MAIN(tst_Socket)
#include "tst_socket.moc"
