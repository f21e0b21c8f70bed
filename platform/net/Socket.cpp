#include "Socket.h"

Socket::Socket(QObject *parent, std::chrono::milliseconds connectBudget)
    : QObject(parent), race(new AddressRace(this, connectBudget)) {
    connect(race, &AddressRace::won, this, &Socket::take);
    connect(race, &AddressRace::lost, this, &Socket::failed);
}

void Socket::Connect(const QString &host, quint16 port) {
    begin();
    race->start(host, port);
}

void Socket::connectToAddresses(const QList<QHostAddress> &resolved, quint16 port) {
    begin();
    race->start(resolved, port);
}

void Socket::begin() {
    reset();
    // Only a new connection replaces the old one: a closed connection stays until then, so that
    // what it still has to send is not cut off.
    if (tcp != nullptr)
        tcp->deleteLater();
    tcp = nullptr;
}

void Socket::take(QTcpSocket *connection) {
    tcp = connection;
    tcp->setParent(this);
    end.watch(tcp->socketDescriptor());
    connect(tcp, &QTcpSocket::readyRead, this, &Socket::dataArrival);
    connect(tcp, &QTcpSocket::disconnected, this, &Socket::onDisconnected);
    connect(tcp, &QTcpSocket::errorOccurred, this, &Socket::onError);
    open = true;
    emit connected();
}

void Socket::reset() {
    race->stop();
    // Held, the connection would outlast Qt's close, and the registry would not see this side
    // hang up.
    end.release();
    if (tcp != nullptr) {
        tcp->disconnect(this);
        tcp->close();
    }
    open = false;
}

void Socket::SendData(QByteArrayView bytes) {
    // After either side's close there is nothing to write to, and Qt would only warn.
    if (tcp == nullptr || tcp->state() != QAbstractSocket::ConnectedState)
        return;
    tcp->write(bytes.data(), bytes.size());
    tcp->flush();
}

QByteArray Socket::GetData() {
    // A reset can close the device under us (Qt does so when a write fails); nothing is left to
    // read then, and asking would only make Qt warn.
    if (tcp == nullptr || !tcp->isReadable())
        return {};
    return tcp->readAll();
}

void Socket::Close() {
    // Cut the wiring first: QTcpSocket announces its own close as disconnected(), and a close
    // that the program made itself is not an event. A race still under way is dropped too.
    reset();
}

void Socket::onError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::RemoteHostClosedError:
        // Qt reports the registry hanging up, orderly or by reset, as this error and then sends
        // disconnected(); which of the two it was is told there.
        return;
    default:
        // A failure is one event. Qt may follow it with disconnected(), which is not a close by
        // the registry.
        if (!open)
            return;
        open = false;
        end.release();
        emit failed();
        return;
    }
}

void Socket::onDisconnected() {
    if (!open)
        return;
    open = false;
    // A reset is a connection that broke, not one the registry ended.
    if (end.wasReset())
        emit failed();
    else
        emit closedByRegistry();
}
