#include "Socket.h"

Socket::Socket(QObject *parent) : QObject(parent), tcp(new QTcpSocket(this)) {
    connect(tcp, &QTcpSocket::connected, this, &Socket::connected);
    connect(tcp, &QTcpSocket::readyRead, this, &Socket::dataArrival);
    connect(tcp, &QTcpSocket::disconnected, this, &Socket::onDisconnected);
    connect(tcp, &QTcpSocket::errorOccurred, this, &Socket::onError);
}

void Socket::Connect(const QString &host, quint16 port) {
    tcp->connectToHost(host, port);
}

void Socket::SendData(QByteArrayView bytes) {
    tcp->write(bytes.data(), bytes.size());
    tcp->flush();
}

QByteArray Socket::GetData() {
    // A reset can close the device under us (Qt does so when a write fails); nothing is left to
    // read then, and asking would only make Qt warn.
    if (!tcp->isReadable())
        return {};
    return tcp->readAll();
}

void Socket::Close() {
    // Cut the wiring first: QTcpSocket announces its own close as disconnected(), and a close
    // that the program made itself is not an event.
    tcp->disconnect(this);
    tcp->close();
}

void Socket::onError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        // Qt reports the registry hanging up (orderly or by reset) as an error and then sends
        // disconnected(); for us that is the registry's close, reported there.
        return;
    default:
        // A failure is one event. Qt may follow it with disconnected(), which is not a close by
        // the registry.
        failureReported = true;
        emit failed();
        return;
    }
}

void Socket::onDisconnected() {
    if (!failureReported)
        emit closedByRegistry();
}
