#include "Socket.h"

#include <QHostInfo>
#include <QTimer>

#include <algorithm>
#include <utility>

Socket::Socket(QObject *parent, std::chrono::milliseconds connectBudget)
    : QObject(parent), stagger(new QTimer(this)), budget(new QTimer(this)) {
    stagger->setSingleShot(true);
    connect(stagger, &QTimer::timeout, this, &Socket::startNextAttempt);
    budget->setSingleShot(true);
    budget->setInterval(connectBudget);
    connect(budget, &QTimer::timeout, this, &Socket::outOfTime);
}

void Socket::Connect(const QString &host, quint16 port) {
    begin();
    if (const QHostAddress literal(host); !literal.isNull()) {
        tryAddresses({literal}, port);
        return;
    }
    stage = Stage::Resolving;
    lookupId = QHostInfo::lookupHost(host, this, [this, port](const QHostInfo &info) {
        if (stage != Stage::Resolving || info.lookupId() != lookupId)
            return;
        lookupId = -1;
        // A name that does not resolve is a connection that cannot be made.
        if (info.error() != QHostInfo::NoError || info.addresses().isEmpty()) {
            giveUp();
            return;
        }
        tryAddresses(info.addresses(), port);
    });
}

void Socket::connectToAddresses(const QList<QHostAddress> &resolved, quint16 port) {
    begin();
    tryAddresses(resolved, port);
}

void Socket::begin() {
    reset();
    forgetConnection();
    // Qt gives each attempt 30 s, so a host whose every address swallows attempts would keep the
    // user waiting a minute or more for a failure; the whole attempt gets one budget instead.
    budget->start();
}

void Socket::tryAddresses(const QList<QHostAddress> &resolved, quint16 port) {
    stage = Stage::Connecting;
    untried = attemptOrder(resolved);
    remotePort = port;
    startNextAttempt();
}

QList<QHostAddress> Socket::attemptOrder(const QList<QHostAddress> &resolved) {
    if (resolved.isEmpty())
        return {};
    const auto firstFamily = resolved.front().protocol();
    QList<QHostAddress> first;
    QList<QHostAddress> other;
    for (const QHostAddress &address : resolved)
        (address.protocol() == firstFamily ? first : other).append(address);
    QList<QHostAddress> ordered;
    ordered.reserve(resolved.size());
    for (qsizetype i = 0; i < std::max(first.size(), other.size()); ++i) {
        if (i < first.size())
            ordered.append(first[i]);
        if (i < other.size())
            ordered.append(other[i]);
    }
    return ordered;
}

void Socket::startNextAttempt() {
    if (stage != Stage::Connecting)
        return;
    if (untried.isEmpty()) {
        if (attempts.isEmpty())
            giveUp();
        return;
    }
    auto *attempt = new QTcpSocket(this);
    attempts.append(attempt);
    connect(attempt, &QTcpSocket::connected, this, [this, attempt] { attemptConnected(attempt); });
    connect(attempt, &QTcpSocket::errorOccurred, this, [this, attempt] { attemptFailed(attempt); });
    // Qt tries a host's addresses one after the other and gives each 30 s, so one address that
    // swallows attempts (IPv6 on a broken network, typically) would keep the user waiting that
    // long. Instead the next address gets its own attempt once this one has been silent for a
    // moment, while this one goes on: whichever connects first is the connection.
    if (!untried.isEmpty())
        stagger->start(AttemptDelay);
    attempt->connectToHost(untried.takeFirst(), remotePort);
}

void Socket::attemptConnected(QTcpSocket *attempt) {
    if (stage != Stage::Connecting || !attempts.removeOne(attempt))
        return;
    budget->stop();
    // The winner alone goes on; the other attempts and the ones still to come are dropped.
    stopTrying();

    tcp = attempt;
    end.watch(tcp->socketDescriptor());
    tcp->disconnect(this);
    connect(tcp, &QTcpSocket::readyRead, this, &Socket::dataArrival);
    connect(tcp, &QTcpSocket::disconnected, this, &Socket::onDisconnected);
    connect(tcp, &QTcpSocket::errorOccurred, this, &Socket::onError);
    stage = Stage::Open;
    emit connected();
}

void Socket::attemptFailed(QTcpSocket *attempt) {
    if (stage != Stage::Connecting || !attempts.removeOne(attempt))
        return;
    attempt->disconnect(this);
    // Qt is still inside this attempt's signal.
    attempt->deleteLater();
    // A refusal says nothing about the other addresses: the next one need not wait its turn.
    startNextAttempt();
}

void Socket::dropAttempts() {
    for (QTcpSocket *attempt : std::as_const(attempts)) {
        attempt->disconnect(this);
        attempt->abort();
        attempt->deleteLater();
    }
    attempts.clear();
}

void Socket::giveUp() {
    stage = Stage::Over;
    budget->stop();
    // Qt can know an attempt's failure inside connectToHost (no addresses, a refusal on this
    // machine), but the program hears of the outcome only after Connect has returned; and not at
    // all once it has closed the socket meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, begun = round] {
            if (begun == round)
                emit failed();
        },
        Qt::QueuedConnection);
}

void Socket::outOfTime() {
    stopTrying();
    giveUp();
}

void Socket::reset() {
    ++round;
    budget->stop();
    stopTrying();
    // Held, the connection would outlast Qt's close, and the registry would not see this side
    // hang up.
    end.release();
    if (tcp != nullptr) {
        tcp->disconnect(this);
        tcp->close();
    }
    stage = Stage::Idle;
}

void Socket::stopTrying() {
    if (lookupId != -1)
        QHostInfo::abortHostLookup(lookupId);
    lookupId = -1;
    stagger->stop();
    untried.clear();
    dropAttempts();
}

void Socket::forgetConnection() {
    // Only a new connection replaces the old one: a closed connection stays until then, so that
    // what it still has to send is not cut off.
    if (tcp != nullptr)
        tcp->deleteLater();
    tcp = nullptr;
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
    // that the program made itself is not an event. Attempts still under way are dropped too.
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
        if (stage != Stage::Open)
            return;
        stage = Stage::Over;
        end.release();
        emit failed();
        return;
    }
}

void Socket::onDisconnected() {
    if (stage != Stage::Open)
        return;
    stage = Stage::Over;
    // A reset is a connection that broke, not one the registry ended.
    if (end.wasReset())
        emit failed();
    else
        emit closedByRegistry();
}
