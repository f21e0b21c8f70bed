// Development stand-in for the game's server registry. It serves a server list over TCP on
// loopback the way the real registry does, logs every byte it sees so end-to-end tests can
// check what the launcher sent, and offers misbehaving modes (hang up at once, never answer,
// answer in two parts, drip it byte by byte, reset the connection mid-reply) to exercise the
// launcher's error handling.
//
// New misbehaviours fit in two places: a Behaviour value for what happens to a connection,
// and planReply() for how the reply bytes are cut up and timed.
#include "sample_reply.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <sys/socket.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

constexpr quint16 defaultPort = 5679;
constexpr int splitDelayMs = 500;
constexpr int exitUsage = 2;
constexpr int exitListenFailed = 1;

const QByteArray listRequest("\x00\x02\x03\x01", 4);

enum class Behaviour { Answer, CloseFirst, Silent };

struct Options {
    quint16 port = defaultPort;
    QByteArray reply;
    Behaviour behaviour = Behaviour::Answer;
    std::optional<qsizetype> splitAt;
    std::optional<int> dripMs;
    std::optional<qsizetype> resetAfter;
};

// One write of the reply; delayMs counts from the previous write.
struct Chunk {
    int delayMs = 0;
    QByteArray bytes;
};

// Tests read stderr line by line while the process keeps running, so nothing may sit in a
// buffer.
void logLine(const QByteArray &line) {
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

void logLine(const QString &line) {
    logLine(line.toUtf8());
}

QByteArray hex(const QByteArray &bytes) {
    return bytes.toHex(' ').toUpper();
}

QList<Chunk> planReply(const Options &options) {
    if (options.resetAfter)
        return {{0, options.reply.left(*options.resetAfter)}};
    if (options.dripMs) {
        QList<Chunk> drops;
        drops.reserve(options.reply.size());
        for (qsizetype i = 0; i < options.reply.size(); ++i)
            drops.append({i == 0 ? 0 : *options.dripMs, options.reply.mid(i, 1)});
        return drops;
    }
    if (!options.splitAt)
        return {{0, options.reply}};
    const qsizetype at = *options.splitAt;
    return {{0, options.reply.left(at)}, {splitDelayMs, options.reply.mid(at)}};
}

// Lives as a child of its socket so it, and any pending reply timer, goes away with it.
class Session : public QObject {
public:
    Session(QTcpSocket *socket, const Options &options)
        : QObject(socket), m_socket(socket), m_options(options) {
        connect(socket, &QTcpSocket::readyRead, this, [this] { readIncoming(); });
        connect(socket, &QTcpSocket::disconnected, this, [this] { finish(); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
            // The peer closing is the normal end and is reported by finish().
            if (e != QAbstractSocket::RemoteHostClosedError)
                logLine(QStringLiteral("socket error: %1").arg(m_socket->errorString()));
        });
    }

    void start() {
        logLine(QStringLiteral("connection from %1:%2")
                    .arg(m_socket->peerAddress().toString())
                    .arg(m_socket->peerPort()));
        if (m_options.behaviour == Behaviour::CloseFirst) {
            m_closedByUs = true;
            logLine(QByteArrayLiteral("closing without reading"));
            m_socket->close();
            return;
        }
        // Bytes may already have arrived before the readyRead connection existed.
        readIncoming();
    }

private:
    void readIncoming() {
        // After the socket is closed Qt warns on every read; nothing can arrive then anyway.
        if (!m_socket->isReadable())
            return;
        const QByteArray bytes = m_socket->readAll();
        if (bytes.isEmpty())
            return;
        logLine("received: " + hex(bytes));
        if (m_requestComplete)
            return;
        m_request += bytes;
        if (m_request.size() < listRequest.size())
            return;
        m_requestComplete = true;
        if (!m_request.startsWith(listRequest))
            logLine("unexpected request: " + hex(m_request.left(listRequest.size())));
        if (m_options.behaviour == Behaviour::Answer) {
            m_plan = planReply(m_options);
            scheduleNextChunk();
        }
    }

    void scheduleNextChunk() {
        if (m_nextChunk >= m_plan.size()) {
            if (m_options.resetAfter)
                resetConnection();
            return;
        }
        const int delayMs = m_plan[m_nextChunk].delayMs;
        if (delayMs == 0)
            sendNextChunk();
        else
            QTimer::singleShot(delayMs, this, [this] { sendNextChunk(); });
    }

    void sendNextChunk() {
        const QByteArray &bytes = m_plan[m_nextChunk].bytes;
        ++m_nextChunk;
        const qint64 written = m_socket->write(bytes);
        if (written < 0) {
            logLine(QStringLiteral("write failed: %1").arg(m_socket->errorString()));
            return;
        }
        // Push it out now so a split reply really reaches the peer in two parts.
        m_socket->flush();
        logLine(QStringLiteral("sent %1 bytes").arg(written));
        scheduleNextChunk();
    }

    // A linger time of zero makes the close send RST instead of FIN, as a crashing or
    // firewalled registry would; Qt offers no option for it, so it is set on the descriptor.
    void resetConnection() {
        const linger abortive{1, 0};
        if (::setsockopt(static_cast<int>(m_socket->socketDescriptor()), SOL_SOCKET, SO_LINGER,
                         &abortive, sizeof abortive) != 0)
            logLine(QByteArrayLiteral("cannot set SO_LINGER"));
        m_closedByUs = true;
        logLine(QByteArrayLiteral("resetting the connection"));
        m_socket->abort();
    }

    void finish() {
        readIncoming();
        if (!m_closedByUs)
            logLine(QByteArrayLiteral("peer closed"));
        qsizetype unsent = 0;
        for (qsizetype i = m_nextChunk; i < m_plan.size(); ++i)
            unsent += m_plan[i].bytes.size();
        if (unsent > 0)
            logLine(QStringLiteral("%1 reply bytes were never sent").arg(unsent));
        m_socket->deleteLater();
    }

    QTcpSocket *m_socket;
    const Options m_options;
    QByteArray m_request;
    bool m_requestComplete = false;
    bool m_closedByUs = false;
    QList<Chunk> m_plan;
    qsizetype m_nextChunk = 0;
};

[[noreturn]] void usageError(const QString &message) {
    logLine(QStringLiteral("dev-registry: %1").arg(message));
    std::exit(exitUsage);
}

QByteArray readFileOrExit(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        usageError(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

QByteArray replyFromServerFile(const QString &path) {
    QString error;
    const std::optional<QList<DevServer>> servers = readServerFile(readFileOrExit(path), &error);
    if (!servers)
        usageError(QStringLiteral("%1: %2").arg(path, error));
    return encodeServerList(*servers);
}

Options parseOptions(const QCoreApplication &app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stand-in for the game's server registry, for development and end-to-end tests.\n"
        "\n"
        "Listens on 127.0.0.1 and prints \"listening on 127.0.0.1:PORT\" to stderr once ready.\n"
        "For each connection it waits for the 4-byte list request 00 02 03 01, answers with\n"
        "the reply, then keeps the connection open until the peer closes it (the launcher\n"
        "sends the ack 00 01 04 first). Any other 4 bytes are logged and answered anyway.\n"
        "\n"
        "Reply: \"REG\" 04, then per server: address 00 port 00 name 00 description 00 01\n"
        "tileset 04, where a tileset of 4 is itself the record end and gets no extra 04.\n"
        "\n"
        "Logs to stderr, one line each: \"connection from ADDR:PORT\", \"received: XX XX ..\"\n"
        "(uppercase hex per chunk read), \"sent N bytes\", \"peer closed\".\n"
        "Runs until killed; SIGTERM and SIGINT exit with status 0.\n"
        "Exit status 2 for bad options or files, 1 if the port cannot be bound."));
    parser.addHelpOption();

    const QCommandLineOption portOption(
        QStringLiteral("port"),
        QStringLiteral("TCP port to listen on (default %1; 0 picks a free port).").arg(defaultPort),
        QStringLiteral("N"));
    const QCommandLineOption serversOption(
        QStringLiteral("servers"),
        QStringLiteral("Serve the servers listed in FILE instead of the built-in sample list: "
                       "one per line, address, port, name, description and tileset (0-255) "
                       "separated by TABs; empty lines are skipped; bytes are sent as they are."),
        QStringLiteral("FILE"));
    const QCommandLineOption rawOption(QStringLiteral("raw"),
                                       QStringLiteral("Send the exact bytes of FILE as the reply."),
                                       QStringLiteral("FILE"));
    const QCommandLineOption closeFirstOption(
        QStringLiteral("close-first"),
        QStringLiteral("Hang up right after accepting, without reading or sending anything. The "
                       "peer may see either end-of-stream or a reset, depending on timing."));
    const QCommandLineOption silentOption(
        QStringLiteral("silent"),
        QStringLiteral("Accept and log whatever arrives, but never answer."));
    const QCommandLineOption splitOption(
        QStringLiteral("split"),
        QStringLiteral("Send the first N bytes of the reply, the rest %1 ms later.")
            .arg(splitDelayMs),
        QStringLiteral("N"));
    const QCommandLineOption dripOption(
        QStringLiteral("drip"),
        QStringLiteral("Send the reply one byte at a time, MS milliseconds apart."),
        QStringLiteral("MS"));
    const QCommandLineOption resetAfterOption(
        QStringLiteral("reset-after"),
        QStringLiteral("Send the first N bytes of the reply, then reset the connection (RST, "
                       "SO_LINGER 0) instead of closing it; 0 resets before sending anything."),
        QStringLiteral("N"));
    parser.addOptions({portOption, serversOption, rawOption, closeFirstOption, silentOption,
                       splitOption, dripOption, resetAfterOption});
    // process() alone would exit with status 1 on usage errors; bad files exit with 2 and
    // tests should not need to tell the two apart. After a successful parse() it only acts
    // on the help options.
    if (!parser.parse(app.arguments()))
        usageError(parser.errorText());
    parser.process(app);

    if (!parser.positionalArguments().isEmpty())
        usageError(QStringLiteral("unexpected argument \"%1\"")
                       .arg(parser.positionalArguments().constFirst()));

    Options options;
    if (parser.isSet(portOption)) {
        bool ok = false;
        const uint port = parser.value(portOption).toUInt(&ok);
        if (!ok || port > 65535)
            usageError(QStringLiteral("--port needs a number from 0 to 65535"));
        options.port = static_cast<quint16>(port);
    }

    if (parser.isSet(serversOption) && parser.isSet(rawOption))
        usageError(QStringLiteral("use only one of --servers and --raw"));
    if (parser.isSet(serversOption))
        options.reply = replyFromServerFile(parser.value(serversOption));
    else if (parser.isSet(rawOption))
        options.reply = readFileOrExit(parser.value(rawOption));
    else
        options.reply = encodeServerList(sampleServers());

    if (parser.isSet(closeFirstOption) && parser.isSet(silentOption))
        usageError(QStringLiteral("use only one of --close-first and --silent"));
    if (parser.isSet(closeFirstOption))
        options.behaviour = Behaviour::CloseFirst;
    else if (parser.isSet(silentOption))
        options.behaviour = Behaviour::Silent;

    if (parser.isSet(splitOption)) {
        // Rejected rather than ignored, so a test cannot silently run a different scenario.
        if (options.behaviour != Behaviour::Answer)
            usageError(QStringLiteral("--split has no effect with --close-first or --silent"));
        bool ok = false;
        const qlonglong at = parser.value(splitOption).toLongLong(&ok);
        if (!ok || at < 0)
            usageError(QStringLiteral("--split needs a byte count of 0 or more"));
        options.splitAt = static_cast<qsizetype>(at);
    }

    const int timings = int(parser.isSet(splitOption)) + int(parser.isSet(dripOption)) +
                        int(parser.isSet(resetAfterOption));
    if (timings > 1)
        usageError(QStringLiteral("use only one of --split, --drip and --reset-after"));
    if ((parser.isSet(dripOption) || parser.isSet(resetAfterOption)) &&
        options.behaviour != Behaviour::Answer)
        usageError(QStringLiteral("--drip and --reset-after need a registry that answers"));
    if (parser.isSet(dripOption)) {
        bool ok = false;
        const int ms = parser.value(dripOption).toInt(&ok);
        if (!ok || ms < 0)
            usageError(QStringLiteral("--drip needs a delay of 0 ms or more"));
        options.dripMs = ms;
    }
    if (parser.isSet(resetAfterOption)) {
        bool ok = false;
        const qlonglong n = parser.value(resetAfterOption).toLongLong(&ok);
        if (!ok || n < 0)
            usageError(QStringLiteral("--reset-after needs a byte count of 0 or more"));
        options.resetAfter = static_cast<qsizetype>(n);
    }
    return options;
}

// Tests stop the registry with a signal and expect a clean status. Every log line is already
// flushed, so leaving without unwinding loses nothing, and _Exit is safe inside a handler.
void exitOnSignal(int) {
    std::_Exit(0);
}

} // namespace

int main(int argc, char *argv[]) {
    std::signal(SIGTERM, exitOnSignal);
    std::signal(SIGINT, exitOnSignal);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dev-registry"));
    const Options options = parseOptions(app);

    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server, &options] {
        while (QTcpSocket *socket = server.nextPendingConnection())
            (new Session(socket, options))->start();
    });
    if (!server.listen(QHostAddress::LocalHost, options.port)) {
        logLine(QStringLiteral("dev-registry: cannot listen on 127.0.0.1:%1: %2")
                    .arg(options.port)
                    .arg(server.errorString()));
        return exitListenFailed;
    }
    logLine(QStringLiteral("listening on %1:%2")
                .arg(server.serverAddress().toString())
                .arg(server.serverPort()));
    return QCoreApplication::exec();
}
