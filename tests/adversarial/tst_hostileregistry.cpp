// The window against a hostile registry on loopback: whatever arrives, however it arrives, the
// window lists only whole records it received, byte-exact and in order, shows the message that
// case calls for (or none), and Cancel still ends the program.
#include "DisplayText.h"
#include "RecordingPlatform.h"
#include "ServerListParser.h"
#include "frmMain.h"
#include "hostile_replies.h"

#include <QComboBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

namespace {

enum class Delivery { Whole, Drip, ResetAfterReply, Unresolvable };

// Answers the list request the way the row says; one connection per run.
class HostileRegistry : public QObject {
public:
    HostileRegistry(QByteArray reply, Delivery delivery)
        : reply(std::move(reply)), delivery(delivery) {
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        connect(&server, &QTcpServer::newConnection, this, [this] {
            peer = server.nextPendingConnection();
            connect(peer, &QTcpSocket::readyRead, this, [this] { readRequest(); });
        });
    }

    quint16 port() const { return server.serverPort(); }

private:
    void readRequest() {
        request += peer->readAll();
        if (requestSeen || request.size() < ListRequest.size())
            return;
        requestSeen = true;
        switch (delivery) {
        case Delivery::Whole:
            peer->write(reply);
            break;
        case Delivery::Drip:
            dripNext();
            break;
        case Delivery::ResetAfterReply: {
            peer->write(reply);
            peer->flush();
            const linger abortive{1, 0};
            ::setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                         sizeof abortive);
            peer->abort();
            break;
        }
        default:
            break;
        }
    }

    void dripNext() {
        if (dripped >= reply.size() || peer->state() != QAbstractSocket::ConnectedState)
            return;
        peer->write(reply.mid(dripped++, 1));
        peer->flush();
        QTimer::singleShot(20, this, [this] { dripNext(); });
    }

    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QByteArray request;
    bool requestSeen = false;
    const QByteArray reply;
    const Delivery delivery;
    qsizetype dripped = 0;
};

} // namespace

class tst_HostileRegistry : public QObject {
    Q_OBJECT

private slots:
    void survives_data();
    void survives();
};

void tst_HostileRegistry::survives_data() {
    QTest::addColumn<QByteArray>("scenario");
    QTest::addColumn<Delivery>("delivery");
    // How many of the scenario's records must be listed; -1: any leading run of them, because
    // how much of a large reply is there at the first arrival is up to the network.
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("ends");

    QTest::newRow("garbage") << QByteArray("garbage") << Delivery::Whole << 0 << QString() << false;
    QTest::newRow("16 MiB reply") << QByteArray("huge") << Delivery::Whole << -1 << QString()
                                  << false;
    QTest::newRow("dripped one byte at a time: the first bytes hold no record")
        << QByteArray("drip") << Delivery::Drip << 0 << QString() << false;
    QTest::newRow("cut in a record")
        << QByteArray("cut") << Delivery::Whole << 2 << QString() << false;
    QTest::newRow("reset mid-reply: what was read is listed")
        << QByteArray("reset") << Delivery::ResetAfterReply << 2 << QString() << false;
    QTest::newRow("host name does not resolve")
        << QByteArray() << Delivery::Unresolvable << 0 << CannotConnectMessage << false;
    QTest::newRow("1 MiB name and description")
        << QByteArray("big-texts") << Delivery::Whole << -1 << QString() << false;
    QTest::newRow("control characters and bytes 0x80-0xFF")
        << QByteArray("control-texts") << Delivery::Whole << 2 << QString() << false;
}

void tst_HostileRegistry::survives() {
    QFETCH(QByteArray, scenario);
    QFETCH(Delivery, delivery);
    QFETCH(int, listed);
    QFETCH(QString, message);
    QFETCH(bool, ends);

    const HostileReply reply = hostileReply(scenario);
    std::vector<ServerEntry> records;
    for (const DevServer &s : reply.records)
        records.push_back({s.address.toStdString(), s.port.toStdString(), s.name.toStdString(),
                           s.description.toStdString(), s.tileset});
    // Which records garbage holds is the parser's business, tested on its own; here only that
    // all of it arrives and is listed.
    if (scenario == "garbage") {
        records =
            parseServerList(std::string_view(reply.bytes.constData(), size_t(reply.bytes.size())));
        listed = int(records.size());
    }
    HostileRegistry registry(reply.bytes, delivery);
    RegistryEndpoint endpoint{QStringLiteral("127.0.0.1"), registry.port()};
    if (delivery == Delivery::Unresolvable)
        endpoint.host = QStringLiteral("registry.invalid");

    RecordingPlatform platform;
    frmMain window(platform, endpoint);
    auto *tcp = window.findChild<QTcpSocket *>();
    QVERIFY(tcp);
    bool wasConnected = false;
    connect(tcp, &QTcpSocket::connected, this, [&wasConnected] { wasConnected = true; });
    window.Form_Load();

    // The conversation is over once the window hung up or said something.
    QTRY_VERIFY_WITH_TIMEOUT(
        !platform.messages.isEmpty() ||
            (wasConnected && tcp->state() == QAbstractSocket::UnconnectedState),
        20000);

    QCOMPARE(platform.messages, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(platform.ended, ends);
    QVERIFY(platform.starts.isEmpty());

    const ServerTable &servers = window.serverTable();
    auto *box = window.findChild<QComboBox *>(QStringLiteral("cmbServers"));
    QVERIFY(box);
    QCOMPARE(box->count(), servers.serverCount());
    if (listed >= 0)
        QCOMPARE(servers.serverCount(), listed);
    QVERIFY(size_t(servers.serverCount()) <= records.size());
    qInfo("listed %d of the %zu records sent", servers.serverCount(), records.size());
    for (qint32 i = 0; i < servers.serverCount(); ++i) {
        QVERIFY2(servers.entry(i) == records[size_t(i)], qPrintable(QString::number(i)));
        QCOMPARE(box->itemText(i), displayText(servers.entry(i).Name));
    }

    window.cmdCancel_Click();
    QVERIFY(platform.ended);
}

QTEST_MAIN(tst_HostileRegistry)
#include "tst_hostileregistry.moc"
