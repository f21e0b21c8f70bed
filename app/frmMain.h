// The launcher's only window. It owns the run's state (the server table and the registry
// connection) and is the glue between the widgets, the registry query and the platform. Its
// handlers answer the user and the socket; the query tells it what came of the conversation.
#pragma once

#include "RegistryProtocol.h"
#include "RegistryQuery.h"
#include "ServerTable.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class Platform;
class ServerListModel;
class Socket;

class frmMain : public QWidget {
    Q_OBJECT

public:
    frmMain(Platform &platform, RegistryEndpoint registry, QWidget *parent = nullptr);

    // Starts the registry query; the window is shown while the connection is being made.
    void Form_Load();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();

    void cmbServers_Click();
    void cmdConnect_Click();
    void cmdCancel_Click();
    void Socket_Connect();
    void Socket_DataArrival();
    void Socket_Close();
    void Socket_Error();

    // What came of the conversation.
    void newServers();
    void readingOver();
    void noServers();
    void cannotConnect();

    // From the start until the reading is over, a message shows or the program ends, the window
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
    ServerListModel *serverList = nullptr;
    RegistryQuery query;
};
