// The registry connection as the program sees it: four operations and four events. Qt's way of
// reporting things is mapped onto those events here, once, so nothing above this file needs to
// know how QTcpSocket behaves.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QTcpSocket>

class Socket : public QObject {
    Q_OBJECT

public:
    explicit Socket(QObject *parent = nullptr);

    // Returns at once; the outcome arrives as connected() or failed().
    void Connect(const QString &host, quint16 port);
    // The bytes leave in one write, before this returns, as far as the system allows.
    void SendData(QByteArrayView bytes);
    // Every byte received so far.
    QByteArray GetData();
    // Closes the connection. No event is delivered after this, and unread bytes are dropped.
    void Close();

signals:
    void connected();
    void dataArrival();
    // The registry closed the connection while it was still open on this side.
    void closedByRegistry();
    // Any other failure: no connection could be made, or it broke.
    void failed();

private:
    void onError(QAbstractSocket::SocketError error);
    void onDisconnected();

    QTcpSocket *tcp = nullptr;
    bool failureReported = false;
};
