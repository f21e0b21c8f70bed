#include "frmMain.h"

#include "ClientLaunch.h"
#include "DisplayText.h"
#include "Platform.h"
#include "ScreenReader.h"
#include "ServerListParser.h"
#include "Socket.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>

namespace {

const QString SelectServerMessage = QStringLiteral("Please select a server to connect to.");

QString tilesetCaption(int tileset) {
    return QStringLiteral("Tileset Number: %1").arg(tileset);
}

QFont windowFont() {
    // Verdana is rarely installed on Linux; DejaVu Sans is its metric-compatible stand-in.
    QFont::insertSubstitution(QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans"));
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace

frmMain::frmMain(Platform &platform, RegistryEndpoint registry, QWidget *parent)
    : QWidget(parent), platform(platform), registry(std::move(registry)), socket(new Socket(this)),
      query(*socket, platform) {
    buildControls();

    connect(cmbServers, &QComboBox::currentIndexChanged, this, &frmMain::cmbServers_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(socket, &Socket::connected, this, &frmMain::Socket_Connect);
    connect(socket, &Socket::dataArrival, this, &frmMain::Socket_DataArrival);
    connect(socket, &Socket::closedByRegistry, this, &frmMain::Socket_Close);
    connect(socket, &Socket::failed, this, &frmMain::Socket_Error);
}

void frmMain::buildControls() {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Wendrake"));
    setFont(windowFont());
    setFixedSize(281, 169);

    cmbServers = new QComboBox(this);
    cmbServers->setObjectName(QStringLiteral("cmbServers"));
    cmbServers->setGeometry(8, 8, 265, 21);
    // No label names the list on screen. On Linux Qt announces a combo box by its current text
    // rather than by its name, so what the list is for goes into the description as well.
    cmbServers->setAccessibleName(QStringLiteral("Game server"));
    cmbServers->setAccessibleDescription(QStringLiteral("The game servers the registry lists"));

    lblTileset = new QLabel(tilesetCaption(0), this);
    lblTileset->setObjectName(QStringLiteral("lblTileset"));
    lblTileset->setGeometry(24, 32, 233, 17);

    txtDescription = new QPlainTextEdit(this);
    txtDescription->setObjectName(QStringLiteral("txtDescription"));
    txtDescription->setGeometry(8, 48, 265, 81);
    txtDescription->setAccessibleName(QStringLiteral("Server description"));
    txtDescription->setAccessibleDescription(
        QStringLiteral("What the selected game server's operators say about it"));
    txtDescription->setReadOnly(true);
    txtDescription->setTabChangesFocus(true);
    // Read-only still lets the user select and copy the text, and tab through it.
    txtDescription->setTextInteractionFlags(Qt::TextSelectableByKeyboard |
                                            Qt::TextSelectableByMouse);

    cmdCancel = new QPushButton(QStringLiteral("C&ancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdCancel->setGeometry(8, 136, 81, 25);
    cmdCancel->setAccessibleName(QStringLiteral("Cancel"));

    cmdConnect = new QPushButton(QStringLiteral("&Connect"), this);
    cmdConnect->setObjectName(QStringLiteral("cmdConnect"));
    cmdConnect->setGeometry(192, 136, 81, 25);
    cmdConnect->setAccessibleName(QStringLiteral("Connect"));

    // Neither button answers Enter: a stray Enter must not start the game or end the launcher.
    for (QPushButton *button : {cmdCancel, cmdConnect}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    socket->setObjectName(QStringLiteral("Socket"));

    setTabOrder(cmbServers, txtDescription);
    setTabOrder(txtDescription, cmdConnect);
    setTabOrder(cmdConnect, cmdCancel);
}

void frmMain::Form_Load() {
    query.start(registry);
}

void frmMain::ingestReply(std::string_view reply) {
    std::vector<ServerEntry> entries = parseServerList(reply);
    if (entries.empty())
        return;

    QStringList names;
    names.reserve(static_cast<qsizetype>(entries.size()));
    for (const ServerEntry &entry : entries)
        names.append(displayText(entry.Name));
    servers.append(std::move(entries));
    {
        // Filling an empty box selects its first item on its own, before every name is in; the
        // display follows once, for the selection that stands at the end.
        const QSignalBlocker blocker(cmbServers);
        cmbServers->addItems(names);
        cmbServers->setCurrentIndex(0);
    }
    cmbServers_Click();
}

void frmMain::cmbServers_Click() {
    if (platform.programEnded())
        return;
    const int i = cmbServers->currentIndex();
    if (i < 0 || i >= servers.serverCount())
        return;
    const ServerEntry &entry = servers.entry(i);
    txtDescription->setPlainText(displayText(entry.Description));
    lblTileset->setText(tilesetCaption(entry.Tileset));
    describeSelection(*cmbServers, *lblTileset, *txtDescription);
}

void frmMain::cmdConnect_Click() {
    if (platform.programEnded())
        return;
    const int i = cmbServers->currentIndex();
    if (i < 0 || i >= servers.serverCount()) {
        platform.showMessage(SelectServerMessage);
        return;
    }
    const ClientLaunch launch = clientLaunchFor(platform.applicationDirectory(), servers.entry(i));
    if (!platform.startProcess(launch.program, launch.arguments)) {
        // Vanishing here would look like success; the user keeps the window to try again.
        platform.showMessage(QStringLiteral("The game client could not be started:\n%1")
                                 .arg(QString::fromLocal8Bit(launch.program)));
        return;
    }
    platform.endProgram();
}

void frmMain::cmdCancel_Click() {
    platform.endProgram();
}

void frmMain::Socket_Connect() {
    query.connected();
}

void frmMain::Socket_DataArrival() {
    if (const std::optional<QByteArray> reply = query.dataArrived())
        ingestReply(std::string_view(reply->constData(), static_cast<size_t>(reply->size())));
}

void frmMain::Socket_Close() {
    query.registryClosed();
}

void frmMain::Socket_Error() {
    query.failed();
}

void frmMain::closeEvent(QCloseEvent *event) {
    // The close box ends the program like Cancel: whatever handler let events run must stop.
    platform.endProgram();
    event->accept();
}
