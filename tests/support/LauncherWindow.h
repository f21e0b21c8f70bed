// The launcher's window with a recording platform in place of the desktop, asking a registry that
// the test plays: a QTcpServer on loopback. What a test reads off both.
#pragma once

#include "RecordingPlatform.h"
#include "frmMain.h"
#include "sample_reply.h"

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

struct LauncherWindow {
    LauncherWindow() : window(platform, {QStringLiteral("127.0.0.1"), listening()}) {}

    // Shows the window, loads it, and takes the launcher's connection and its list request;
    // false if they do not come. Without a registry, nothing listens on the port.
    bool load(bool registryListens = true) {
        if (!registryListens)
            registry.close();
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return false;
        window.Form_Load();
        if (!registryListens)
            return true;
        if (!registry.waitForNewConnection(5000))
            return false;
        peer = registry.nextPendingConnection();
        QObject::connect(peer, &QTcpSocket::readyRead, [this] { received += peer->readAll(); });
        return QTest::qWaitFor([this] { return received == ListRequest.toByteArray(); });
    }
    void send(const QByteArray &bytes) {
        peer->write(bytes);
        peer->flush();
    }
    // The registry sends these servers and hangs up, which ends the reading at once.
    bool listServers(const QList<ServerEntry> &servers) {
        if (!load())
            return false;
        send(encodeServerList(servers));
        peer->disconnectFromHost();
        return QTest::qWaitFor([this] { return !showsBusy(); });
    }

    template <typename T> T *child(const char *name) const { return window.findChild<T *>(name); }
    QComboBox *list() const { return child<QComboBox>("cmbServers"); }
    QStringList items() const {
        QStringList names;
        for (int i = 0; i < list()->count(); ++i)
            names.append(list()->itemText(i));
        return names;
    }
    QString description() const { return child<QPlainTextEdit>("txtDescription")->toPlainText(); }
    QString caption() const { return child<QLabel>("lblTileset")->text(); }
    bool showsBusy() const { return window.cursor().shape() == Qt::BusyCursor; }

    QTcpServer registry;
    QTcpSocket *peer = nullptr;
    QByteArray received;
    RecordingPlatform platform;
    frmMain window;

private:
    quint16 listening() {
        registry.listen(QHostAddress::LocalHost, 0);
        return registry.serverPort();
    }
};
