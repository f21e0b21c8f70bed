#include "frmMain.h"

#include "ClientLaunch.h"
#include "DisplayText.h"
#include "Messages.h"
#include "Platform.h"
#include "ScreenReader.h"
#include "ServerListModel.h"
#include "Socket.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>

namespace {

// The drop-down opens as a list of a few rows that scrolls, as on Windows, rather than as a popup
// as tall as the whole list: that one adds up the height of every row each time it opens, a
// second with 100 000 servers, even when all rows are known to be alike.
class ScrollingPopupStyle final : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

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
      serverList(new ServerListModel(servers, this)), query(*socket, platform, servers) {
    buildControls();

    connect(cmbServers, &QComboBox::currentIndexChanged, this, &frmMain::cmbServers_Click);
    connect(cmdConnect, &QPushButton::clicked, this, &frmMain::cmdConnect_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmMain::cmdCancel_Click);
    connect(socket, &Socket::connected, this, &frmMain::Socket_Connect);
    connect(socket, &Socket::dataArrival, this, &frmMain::Socket_DataArrival);
    connect(socket, &Socket::closedByRegistry, this, &frmMain::Socket_Close);
    connect(socket, &Socket::failed, this, &frmMain::Socket_Error);
    connect(&query, &RegistryQuery::newServers, this, &frmMain::newServers);
    connect(&query, &RegistryQuery::readingOver, this, &frmMain::readingOver);
    connect(&query, &RegistryQuery::noServers, this, &frmMain::noServers);
    connect(&query, &RegistryQuery::cannotConnect, this, &frmMain::cannotConnect);
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
    cmbServers->setModel(serverList);
    // Every name is one line of the same font, so the list need not measure each item.
    if (auto *view = qobject_cast<QListView *>(cmbServers->view()))
        view->setUniformItemSizes(true);
    auto *popupStyle = new ScrollingPopupStyle;
    popupStyle->setParent(cmbServers);
    cmbServers->setStyle(popupStyle);

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
    setCursor(Qt::BusyCursor);
    query.start(registry);
}

void frmMain::stopWaiting() {
    unsetCursor();
}

void frmMain::newServers() {
    // The first rows into the empty list make the combo box select the first of them, which shows
    // it; later ones only join the end of the list.
    serverList->showNewRows();
}

void frmMain::readingOver() {
    stopWaiting();
}

void frmMain::cmbServers_Click() {
    if (platform.programEnded())
        return;
    const int i = cmbServers->currentIndex();
    if (i < 0 || i >= servers.serverCount())
        return;
    const ServerEntry entry = servers.entry(i);
    const QString description = shownDescription(entry), caption = tilesetCaption(entry.Tileset);
    txtDescription->setPlainText(description);
    lblTileset->setText(caption);
    describeSelection(*cmbServers, spokenDetails(caption, description));
}

void frmMain::cmdConnect_Click() {
    if (platform.programEnded())
        return;
    const int i = cmbServers->currentIndex();
    if (i < 0 || i >= servers.serverCount()) {
        platform.showMessage(Messages::SelectServer);
        return;
    }
    const ProcessStart client = clientLaunchFor(platform.applicationDirectory(), servers.entry(i));
    // A reply still arriving is taken as it stands: the registry sees its acknowledgement and the
    // launcher hang up, as after any reply, before the client starts.
    query.hangUp();
    if (!platform.startProcess(client)) {
        // The directory's bytes are UTF-8 on both systems: Qt 6 takes Linux's file names as
        // UTF-8, and Windows' is reported so. The local 8-bit code page would garble a Windows
        // folder beyond ASCII.
        platform.showMessage(Messages::clientCannotStart(QString::fromUtf8(client.program)));
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
    query.dataArrival();
}

void frmMain::Socket_Close() {
    query.closedByRegistry();
}

void frmMain::Socket_Error() {
    query.failed();
}

void frmMain::noServers() {
    stopWaiting();
    platform.showMessage(Messages::NoServers);
    if (platform.programEnded())
        return;
    query.hangUp();
    platform.runPendingEvents();
    platform.endProgram();
}

void frmMain::cannotConnect() {
    // The window stays as it is; the user can still leave with Cancel.
    stopWaiting();
    platform.showMessage(Messages::CannotConnect);
}

void frmMain::closeEvent(QCloseEvent *event) {
    // The close box ends the program like Cancel: whatever handler let events run must stop.
    platform.endProgram();
    event->accept();
}
