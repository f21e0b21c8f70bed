// The launcher's only window. It owns the run's state (the server table and the registry
// connection) and is the glue between the widgets, the registry query and the platform.
#pragma once

#include "RegistryProtocol.h"
#include "RegistryQuery.h"
#include "ServerTable.h"

#include <QWidget>

#include <string_view>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Platform;
class Socket;

class frmMain : public QWidget {
    Q_OBJECT

public:
    frmMain(Platform &platform, RegistryEndpoint registry, ReadingLimits limits = {},
            QWidget *parent = nullptr);

    // Starts the registry query; the window is shown while the connection is being made.
    void Form_Load();

    const ServerTable &serverTable() const { return servers; }

    // Parses the registry's reply, lists its servers and shows the first one.
    void ingestReply(std::string_view reply);

    void cmbServers_Click();
    void cmdConnect_Click();
    void cmdCancel_Click();
    void Socket_Connect();
    void Socket_DataArrival();
    void Socket_Close();
    void Socket_Error();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // From the start until the list is filled, a message shows or the program ends, the window
    // says it is waiting; the pointer still clicks, so Cancel works.
    void stopWaiting();

    Platform &platform;
    const RegistryEndpoint registry;

    QComboBox *cmbServers = nullptr;
    QLabel *lblTileset = nullptr;
    QPlainTextEdit *txtDescription = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdConnect = nullptr;
    Socket *socket = nullptr;

    ServerTable servers;
    RegistryQuery query;
};
