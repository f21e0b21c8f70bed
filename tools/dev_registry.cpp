// The stand-in for the game's server registry, for development and the end-to-end tests. It
// listens on 127.0.0.1, answers the list request with a reply (the sample list, a file of servers,
// raw bytes or a hostile registry's reply) delivered as the options say, and logs to stderr every
// byte it receives, in hex, and the peer's hang-up. `dev-registry --help` lists the options.
#include "hostile_replies.h"
#include "link_plan.h"
#include "sample_reply.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

struct Options {
    quint16 port = 0;
    bool reset = false;
    bool hangUp = false;
    QList<Piece> plan;
};

// Tests read this log line by line while the registry keeps running.
void log(const QString &line) {
    std::fprintf(stderr, "%s\n", qPrintable(line));
    std::fflush(stderr);
}

[[noreturn]] void fail(const QString &message) {
    log("dev-registry: " + message);
    std::exit(2);
}

class Session : public QObject {
public:
    // Lives as a child of its socket, so it and its timers go with the connection.
    Session(QTcpSocket *socket, const Options &options)
        : QObject(socket), socket(socket), options(options) {
        // Each piece must leave when it is due, not when the system sees fit to coalesce.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, &Session::read);
        connect(socket, &QTcpSocket::disconnected, this, &Session::finish);
    }

private:
    void read() {
        // A closed socket warns on every read, and nothing can arrive on it anyway.
        const QByteArray bytes = socket->isReadable() ? socket->readAll() : QByteArray();
        if (bytes.isEmpty())
            return;
        log("received: " + bytes.toHex(' ').toUpper());
        // The list request is four bytes; whatever they are, the reply follows them.
        if (answering || (received += bytes.size()) < 4)
            return;
        answering = true;
        clock.start();
        sendDue();
    }

    void sendDue() {
        for (; next < options.plan.size(); ++next) {
            const Piece &piece = options.plan[next];
            const double waitMs = piece.atMs - double(clock.nsecsElapsed()) / 1e6;
            if (waitMs > 0) {
                QTimer::singleShot(int(std::ceil(waitMs)), Qt::PreciseTimer, this,
                                   &Session::sendDue);
                return;
            }
            if (socket->write(piece.bytes) < 0)
                return;
            // Out now, so that pieces due apart reach the peer apart.
            socket->flush();
            log(QStringLiteral("sent %1 bytes").arg(piece.bytes.size()));
            if (piece.holdBackMs > 0 && next + 1 < options.plan.size())
                log(QStringLiteral("holding the rest back %1 ms").arg(piece.holdBackMs));
        }
        if (options.reset)
            reset();
        else if (options.hangUp)
            hangUp();
    }

    // The orderly close, once everything is out: a registry with nothing to list does this
    // before any byte.
    void hangUp() {
        closedByUs = true;
        log(QStringLiteral("hanging up"));
        socket->disconnectFromHost();
    }

    // A linger time of zero makes the close send RST instead of FIN, as a crashing or firewalled
    // registry would; Qt has no option for it, so it is set on the descriptor.
    void reset() {
        const linger abortive{1, 0};
        ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &abortive,
                     sizeof abortive);
        closedByUs = true;
        log(QStringLiteral("resetting the connection"));
        socket->abort();
    }

    void finish() {
        read();
        if (!closedByUs)
            log(QStringLiteral("peer closed"));
        qsizetype unsent = 0;
        for (qsizetype i = next; answering && i < options.plan.size(); ++i)
            unsent += options.plan[i].bytes.size();
        if (unsent > 0)
            log(QStringLiteral("%1 reply bytes were never sent").arg(unsent));
        socket->deleteLater();
    }

    QTcpSocket *socket;
    const Options &options;
    QElapsedTimer clock;
    qsizetype received = 0;
    qsizetype next = 0;
    bool answering = false;
    bool closedByUs = false;
};

QByteArray readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

// One server a line: address, port, name, description and tileset (0-255), TAB-separated. A CR
// before the line's end is dropped for files written on Windows.
QList<ServerEntry> readServerFile(const QString &path) {
    QList<ServerEntry> servers;
    for (QByteArray line : readFile(path).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QList<QByteArray> field = line.split('\t');
        bool ok = false;
        const uint tileset = field.size() == 5 ? field[4].toUInt(&ok) : 0;
        // A NUL would end a text early on the wire and shift every field after it.
        if (!ok || tileset > 255 || line.contains('\0')) {
            if (!line.isEmpty())
                fail("not a server: " + QString::fromUtf8(line));
        } else {
            servers.append({field[0], field[1], field[2], field[3], quint8(tileset)});
        }
    }
    return servers;
}

int number(const QCommandLineParser &parser, const QString &name) {
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < 0)
        fail(QStringLiteral("--%1 wants a number of 0 or more").arg(name));
    return value;
}

Options parseOptions(const QCoreApplication &app) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Stand-in for the game's server registry, on 127.0.0.1.");
    parser.addHelpOption();
    parser.addOptions({
        {"port", "Port to listen on; 0: the system picks.", "N", "5679"},
        {"servers", "Serve FILE's servers, TAB-separated, one a line.", "FILE"},
        {"raw", "Serve the bytes of FILE.", "FILE"},
        {"scenario", "Serve a hostile reply: " + hostileReplyNames().join(", ") + '.', "NAME"},
        {"link", "Send as a registry a round trip of MS away would.", "MS"},
        {"loss-after-record",
         "With --link: lose the segment after record K's end; the rest waits for --loss-pause.",
         "K"},
        {"loss-pause", "How long a lost segment holds back the rest.", "MS"},
        {"reset", "Reset the connection once the reply is sent."},
        {"hang-up", "Hang up once the reply is sent."},
    });
    parser.process(app);

    // Where a record ends is known only for a list encoded here, not for raw or hostile bytes.
    const bool servesList =
        parser.isSet("servers") || !(parser.isSet("raw") || parser.isSet("scenario"));
    const QList<ServerEntry> servers =
        parser.isSet("servers") ? readServerFile(parser.value("servers")) : sampleServers();
    QByteArray reply;
    if (servesList)
        reply = encodeServerList(servers);
    else if (parser.isSet("raw"))
        reply = readFile(parser.value("raw"));
    else if ((reply = hostileReply(parser.value("scenario").toUtf8())).isEmpty())
        fail("no scenario " + parser.value("scenario") + "; there are " +
             hostileReplyNames().join(", "));

    Loss loss;
    if (parser.isSet("loss-after-record")) {
        if (!parser.isSet("link") || !parser.isSet("loss-pause"))
            fail("--loss-after-record needs --link and --loss-pause");
        if (!servesList)
            fail("--loss-after-record counts the records of a server list: the sample list or "
                 "--servers, not --raw or --scenario");
        const int record = number(parser, "loss-after-record");
        if (record < 1 || record > servers.size())
            fail(QStringLiteral("--loss-after-record wants a record from 1 to %1")
                     .arg(servers.size()));
        loss.at = replyLead().size();
        for (int i = 0; i < record; ++i)
            loss.at += encodeRecord(servers[i]).size();
        loss.pauseMs = number(parser, "loss-pause");
    } else if (parser.isSet("loss-pause")) {
        fail("--loss-pause needs --loss-after-record");
    }

    if (parser.isSet("reset") && parser.isSet("hang-up"))
        fail("--reset and --hang-up are two ways to end: choose one");
    Options options{
        quint16(number(parser, "port")), parser.isSet("reset"), parser.isSet("hang-up"), {}};
    if (parser.isSet("link"))
        options.plan = linkPlan(reply, number(parser, "link"), loss);
    else if (!reply.isEmpty())
        options.plan = {{0, reply}};
    return options;
}

} // namespace

int main(int argc, char *argv[]) {
    // Tests stop the registry with a signal and expect a clean status; every line is out already.
    std::signal(SIGTERM, [](int) { std::_Exit(0); });
    std::signal(SIGINT, [](int) { std::_Exit(0); });
    QCoreApplication app(argc, argv);
    const Options options = parseOptions(app);

    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
        while (QTcpSocket *socket = server.nextPendingConnection())
            new Session(socket, options);
    });
    if (!server.listen(QHostAddress::LocalHost, options.port)) {
        log("dev-registry: cannot listen: " + server.errorString());
        return 1;
    }
    log(QStringLiteral("listening on 127.0.0.1:%1").arg(server.serverPort()));
    return QCoreApplication::exec();
}
