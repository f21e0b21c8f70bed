// A stand-in for the registry connection, without a network: the caller plays the registry's side
// by hand, and every step of the conversation lands in one log, in the order it happened, beside
// whatever else the caller logs there. The query's tests and the fuzz target drive the
// conversation through it.
#pragma once

#include "RegistryProtocol.h"
#include "Socket.h"

#include <QStringList>

class FakeSocket final : public Socket {
public:
    explicit FakeSocket(QStringList &log) : log(log) {}

    void Connect(const QString &, quint16) override {}
    void SendData(QByteArrayView bytes) override {
        // Nothing reaches a registry that has hung up.
        if (!open)
            return;
        sent += bytes;
        log.append(bytes == ListRequest ? "request" : bytes == ReplyAck ? "ack" : "other bytes");
    }
    QByteArray GetData() override {
        if (closedByUs)
            log.append("read after the close");
        read += waiting;
        return std::exchange(waiting, {});
    }
    void Close() override {
        if (!closedByUs)
            log.append("close");
        closedByUs = true;
        open = false;
    }

    // The registry's side.
    void accept() {
        open = true;
        emit connected();
    }
    void arrive(const QByteArray &piece) {
        if (closedByUs)
            return;
        log.append("arrival");
        waiting += piece;
        emit dataArrival();
    }
    void hangUp() {
        open = false;
        emit closedByRegistry();
    }
    void reset() {
        open = false;
        emit failed();
    }

    QByteArray waiting, read, sent;
    bool open = false;
    bool closedByUs = false;

private:
    QStringList &log;
};
