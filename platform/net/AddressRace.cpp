#include "AddressRace.h"

#include <QHostInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <utility>

AddressRace::AddressRace(QObject *parent, std::chrono::milliseconds connectBudget)
    : QObject(parent), stagger(new QTimer(this)), budget(new QTimer(this)) {
    stagger->setSingleShot(true);
    connect(stagger, &QTimer::timeout, this, &AddressRace::startNextAttempt);
    budget->setSingleShot(true);
    budget->setInterval(connectBudget);
    connect(budget, &QTimer::timeout, this, &AddressRace::outOfTime);
}

void AddressRace::start(const QString &host, quint16 port) {
    if (const QHostAddress literal(host); !literal.isNull()) {
        start(QList{literal}, port);
        return;
    }
    stop();
    budget->start();
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

void AddressRace::start(const QList<QHostAddress> &resolved, quint16 port) {
    stop();
    // Qt gives each attempt 30 s, so a host whose every address swallows attempts would keep the
    // user waiting a minute or more for a failure; the whole race gets one budget instead.
    budget->start();
    tryAddresses(resolved, port);
}

void AddressRace::tryAddresses(const QList<QHostAddress> &resolved, quint16 port) {
    stage = Stage::Connecting;
    untried = attemptOrder(resolved);
    remotePort = port;
    startNextAttempt();
}

QList<QHostAddress> AddressRace::attemptOrder(const QList<QHostAddress> &resolved) {
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

void AddressRace::startNextAttempt() {
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

void AddressRace::attemptConnected(QTcpSocket *attempt) {
    if (stage != Stage::Connecting || !attempts.removeOne(attempt))
        return;
    // The winner alone goes on; the other attempts and the ones still to come are dropped.
    stop();
    attempt->disconnect(this);
    emit won(attempt);
}

void AddressRace::attemptFailed(QTcpSocket *attempt) {
    if (stage != Stage::Connecting || !attempts.removeOne(attempt))
        return;
    attempt->disconnect(this);
    // Qt is still inside this attempt's signal.
    attempt->deleteLater();
    // A refusal says nothing about the other addresses: the next one need not wait its turn.
    startNextAttempt();
}

void AddressRace::dropAttempts() {
    for (QTcpSocket *attempt : std::as_const(attempts)) {
        attempt->disconnect(this);
        attempt->abort();
        attempt->deleteLater();
    }
    attempts.clear();
}

void AddressRace::giveUp() {
    stage = Stage::Idle;
    budget->stop();
    // Qt can know an attempt's failure inside connectToHost (no addresses, a refusal on this
    // machine), but the caller hears of the outcome only after start has returned; and not at all
    // once it has stopped the race meanwhile.
    QMetaObject::invokeMethod(
        this,
        [this, begun = round] {
            if (begun == round)
                emit lost();
        },
        Qt::QueuedConnection);
}

void AddressRace::outOfTime() {
    stop();
    giveUp();
}

void AddressRace::stop() {
    ++round;
    budget->stop();
    if (lookupId != -1)
        QHostInfo::abortHostLookup(lookupId);
    lookupId = -1;
    stagger->stop();
    untried.clear();
    dropAttempts();
    stage = Stage::Idle;
}
