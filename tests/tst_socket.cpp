// The socket adapter against real listeners on loopback: the four events the program sees, and a
// host whose addresses do not all answer.
#include "Socket.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

#include <sys/socket.h>

#include <memory>
#include <vector>

namespace {

enum class Happening {
    RegistryCloses,
    RegistryResets,
    NothingListens,
    NameUnknown,
    ProgramCloses,
    ProgramClosesWhileConnecting
};

enum class Kind { Answers, DropsAttempts, Refuses };

// One address of the registry's host, with its own listener on the shared port.
struct Listener {
    QTcpServer server;
    // Fills the accept queue of a listener that drops attempts.
    QTcpSocket filler;

    // The port it listens on (or listened on, for one that refuses); 0 when it cannot.
    quint16 listen(const QHostAddress &address, quint16 port, Kind kind) {
        // With a backlog of 0 Linux queues one connection and then drops further SYNs rather than
        // refusing them: the attempt hangs, as it does against an address that swallows attempts.
        if (kind == Kind::DropsAttempts)
            server.setListenBacklogSize(0);
        if (!server.listen(address, port))
            return 0;
        const quint16 bound = server.serverPort();
        if (kind == Kind::Refuses) {
            // The port was free on this address a moment ago; now nothing listens there.
            server.close();
        } else if (kind == Kind::DropsAttempts) {
            server.pauseAccepting();
            filler.connectToHost(address, bound);
            if (!filler.waitForConnected(5000))
                return 0;
        }
        return bound;
    }
};

} // namespace

Q_DECLARE_METATYPE(Happening)
Q_DECLARE_METATYPE(Kind)

class tst_Socket : public QObject {
    Q_OBJECT

private slots:
    void init();
    void events_data();
    void events();
    void severalAddresses_data();
    void severalAddresses();
    void attemptOrder_data();
    void attemptOrder();
};

void tst_Socket::init() {
    // Operations on a connection that is gone must stay silent, Qt's warnings included.
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
}

void tst_Socket::events_data() {
    QTest::addColumn<Happening>("happening");
    QTest::addColumn<QByteArray>("unread");
    QTest::addColumn<int>("connects");
    QTest::addColumn<int>("registryCloses");
    QTest::addColumn<int>("failures");
    QTest::newRow("registry closes; what it sent last is still readable")
        << Happening::RegistryCloses << QByteArray("\x02\x04") << 1 << 1 << 0;
    QTest::newRow("registry resets") << Happening::RegistryResets << QByteArray() << 1 << 1 << 0;
    QTest::newRow("nothing listens") << Happening::NothingListens << QByteArray() << 0 << 0 << 1;
    QTest::newRow("name does not resolve") << Happening::NameUnknown << QByteArray() << 0 << 0 << 1;
    QTest::newRow("program closes, then the registry")
        << Happening::ProgramCloses << QByteArray() << 1 << 0 << 0;
    QTest::newRow("program closes before the outcome")
        << Happening::ProgramClosesWhileConnecting << QByteArray() << 0 << 0 << 0;
}

void tst_Socket::events() {
    QFETCH(Happening, happening);
    QFETCH(QByteArray, unread);
    QFETCH(int, connects);
    QFETCH(int, registryCloses);
    QFETCH(int, failures);

    QTcpServer registry;
    QVERIFY(registry.listen(QHostAddress::LocalHost, 0));
    const quint16 port = registry.serverPort();
    const bool refused = happening == Happening::NothingListens ||
                         happening == Happening::ProgramClosesWhileConnecting;
    if (refused)
        registry.close();

    Socket socket;
    QSignalSpy connectedSpy(&socket, &Socket::connected);
    QSignalSpy closedSpy(&socket, &Socket::closedByRegistry);
    QSignalSpy failedSpy(&socket, &Socket::failed);
    socket.Connect(happening == Happening::NameUnknown ? QStringLiteral("registry.invalid")
                                                       : QStringLiteral("127.0.0.1"),
                   port);

    if (happening == Happening::ProgramClosesWhileConnecting) {
        socket.Close();
        // A second socket on the same way to the same refusal shows when the first one's
        // outcome would have arrived.
        Socket witness;
        QSignalSpy witnessFailed(&witness, &Socket::failed);
        witness.Connect(QStringLiteral("127.0.0.1"), port);
        QTRY_COMPARE(witnessFailed.size(), 1);
    } else if (refused || happening == Happening::NameUnknown) {
        QTRY_COMPARE_WITH_TIMEOUT(failedSpy.size(), 1, 20000);
    } else {
        QTRY_VERIFY(registry.hasPendingConnections());
        QTcpSocket *peer = registry.nextPendingConnection();
        QTRY_COMPARE(connectedSpy.size(), 1);
        switch (happening) {
        case Happening::RegistryCloses:
            peer->write(unread);
            peer->disconnectFromHost();
            QTRY_COMPARE(closedSpy.size(), 1);
            break;
        case Happening::RegistryResets: {
            const linger off = {1, 0};
            setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
            peer->abort();
            QTRY_COMPARE(closedSpy.size(), 1);
            break;
        }
        default:
            socket.Close();
            // The registry sees the program hang up and hangs up in turn.
            QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
            break;
        }
    }

    QCOMPARE(connectedSpy.size(), connects);
    QCOMPARE(closedSpy.size(), registryCloses);
    QCOMPARE(failedSpy.size(), failures);
    QCOMPARE(socket.GetData(), unread);
    // Nothing to write to: no bytes and no warning.
    socket.SendData(QByteArray("\x00\x01\x04", 3));
}

void tst_Socket::severalAddresses_data() {
    QTest::addColumn<QString>("first");
    QTest::addColumn<Kind>("firstKind");
    QTest::addColumn<QString>("second");
    QTest::addColumn<Kind>("secondKind");
    QTest::addColumn<int>("winner");
    QTest::newRow("IPv6 drops attempts, IPv4 answers")
        << "::1" << Kind::DropsAttempts << "127.0.0.1" << Kind::Answers << 1;
    QTest::newRow("IPv4 drops attempts, IPv6 answers")
        << "127.0.0.1" << Kind::DropsAttempts << "::1" << Kind::Answers << 1;
    QTest::newRow("IPv6 refuses, IPv4 answers")
        << "::1" << Kind::Refuses << "127.0.0.1" << Kind::Answers << 1;
    QTest::newRow("both refuse") << "::1" << Kind::Refuses << "127.0.0.1" << Kind::Refuses << -1;
}

void tst_Socket::severalAddresses() {
    QFETCH(QString, first);
    QFETCH(Kind, firstKind);
    QFETCH(QString, second);
    QFETCH(Kind, secondKind);
    QFETCH(int, winner);

    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHostIPv6, 0))
        QSKIP("This machine has no IPv6 loopback address");

    // Both addresses on one port, as a host's addresses are. Another program may hold the port
    // on the other address; then try another.
    const QList<QHostAddress> addresses{QHostAddress(first), QHostAddress(second)};
    const QList<Kind> kinds{firstKind, secondKind};
    std::vector<std::unique_ptr<Listener>> listeners;
    quint16 port = 0;
    for (int tries = 0; tries < 20 && listeners.size() < 2; ++tries) {
        listeners.clear();
        port = 0;
        for (qsizetype i = 0; i < addresses.size(); ++i) {
            auto listener = std::make_unique<Listener>();
            port = listener->listen(addresses[i], port, kinds[i]);
            if (port == 0)
                break;
            listeners.push_back(std::move(listener));
        }
    }
    QCOMPARE(listeners.size(), size_t(2));

    Socket socket;
    QSignalSpy connectedSpy(&socket, &Socket::connected);
    QSignalSpy failedSpy(&socket, &Socket::failed);
    socket.connectToAddresses(addresses, port);

    if (winner < 0) {
        QTRY_COMPARE(failedSpy.size(), 1);
        QCOMPARE(connectedSpy.size(), 0);
        return;
    }
    // Well within the 30 s Qt would give the silent address on its own.
    QTRY_COMPARE(connectedSpy.size(), 1);
    QTcpServer &answering = listeners[size_t(winner)]->server;
    QTRY_VERIFY(answering.hasPendingConnections());
    QTcpSocket *peer = answering.nextPendingConnection();
    // The winner alone is left, and it is the one the program talks through.
    QTRY_COMPARE(socket.findChildren<QTcpSocket *>().size(), 1);
    const QByteArray request("\x00\x02\x03\x01", 4);
    socket.SendData(request);
    QByteArray received;
    QTRY_COMPARE(received += peer->readAll(), request);
    QCOMPARE(connectedSpy.size(), 1);
    QCOMPARE(failedSpy.size(), 0);
}

void tst_Socket::attemptOrder_data() {
    QTest::addColumn<QStringList>("resolved");
    QTest::addColumn<QStringList>("tried");
    QTest::newRow("IPv6 first; the families take turns")
        << QStringList{"2001:db8::1", "2001:db8::2", "192.0.2.1", "192.0.2.2"}
        << QStringList{"2001:db8::1", "192.0.2.1", "2001:db8::2", "192.0.2.2"};
    QTest::newRow("the larger family's rest comes last")
        << QStringList{"2001:db8::1", "2001:db8::2", "2001:db8::3", "192.0.2.1"}
        << QStringList{"2001:db8::1", "192.0.2.1", "2001:db8::2", "2001:db8::3"};
}

void tst_Socket::attemptOrder() {
    QFETCH(QStringList, resolved);
    QFETCH(QStringList, tried);
    QList<QHostAddress> addresses;
    for (const QString &text : resolved)
        addresses.append(QHostAddress(text));
    QStringList order;
    for (const QHostAddress &address : Socket::attemptOrder(addresses))
        order.append(address.toString());
    QCOMPARE(order, tried);
}

QTEST_GUILESS_MAIN(tst_Socket)
#include "tst_socket.moc"
