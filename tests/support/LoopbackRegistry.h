// The registry's side of one connection, played by a QTcpServer on loopback, and a launcher
// window that has connected to it and asked for the list.
#pragma once

#include "LauncherWindow.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <sys/socket.h>

inline const QByteArray SentRequest = QByteArrayLiteral("\x00\x02\x03\x01");
inline const QByteArray SentAck = QByteArrayLiteral("\x00\x01\x04");

// How the registry ends its side of the conversation once its bytes are out.
enum class Ending { WaitsForAck, HangsUp, Resets };

// The registry's side of one connection.
class Registry {
public:
    Registry() { QVERIFY(server.listen(QHostAddress::LocalHost, 0)); }

    RegistryEndpoint endpoint() const { return {QStringLiteral("127.0.0.1"), server.serverPort()}; }

    // Waits for the launcher to connect and ask; the peer socket stays owned by the server.
    bool accept() {
        if (!server.hasPendingConnections() && !server.waitForNewConnection(5000))
            return false;
        peer = server.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return QTest::qWaitFor([this] { return received == SentRequest; });
    }

    // Sends `reply` cut at `cuts` as a remote registry would: the first piece a round trip after
    // the request, each further piece `gapMs` after the last; then ends as told. Notes whether an
    // acknowledgement came before the last piece was out.
    void send(const QByteArray &reply, const QList<int> &cuts, int gapMs, Ending ending) {
        QList<int> bounds = cuts;
        bounds.append(int(reply.size()));
        qsizetype from = 0;
        int at = 150;
        for (const int bound : bounds) {
            const QByteArray piece = reply.mid(from, bound - from);
            const bool last = bound == bounds.back();
            from = bound;
            QTimer::singleShot(at, peer, [this, piece, last, ending] {
                ackedEarly = ackedEarly || received.size() > SentRequest.size();
                peer->write(piece);
                peer->flush();
                if (last && ending == Ending::HangsUp)
                    peer->disconnectFromHost();
                else if (last && ending == Ending::Resets)
                    reset();
            });
            at += gapMs;
        }
    }

    // Hangs up with a reset instead of an orderly close.
    void reset() {
        linger off = {1, 0};
        setsockopt(int(peer->socketDescriptor()), SOL_SOCKET, SO_LINGER, &off, sizeof off);
        peer->abort();
    }

    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QByteArray received;
    bool ackedEarly = false;
};

// A launcher that has connected to the loopback registry and asked for the list. A short stall
// time keeps the cut replies quick to test.
struct Asked : Registry, LauncherWindow {
    explicit Asked(ReadingLimits limits = {.stallMs = 1000})
        : LauncherWindow(Registry::endpoint(), limits) {}
    bool start() {
        window.Form_Load();
        return accept();
    }
    QTcpSocket *launcherSide() const { return window.findChild<QTcpSocket *>(); }
};
