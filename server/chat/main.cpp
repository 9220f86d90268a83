#include "ChatServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using tovelo::chat::ChatServer;
using tovelo::chat::ServerOptions;

namespace {

int signalPipe[2] = {-1, -1};

void onStopSignal(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the event loop picks the byte up and quits.
    [[maybe_unused]] const auto written = ::write(signalPipe[0], &byte, 1);
}

bool installStopHandlers() {
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) return false;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    std::signal(SIGPIPE, SIG_IGN);
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0;
}

// Each client is a descriptor; the default soft limit of 1024 is lower than the clients allowed.
void raiseDescriptorLimit() {
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

bool readInt(QCommandLineParser& parser, const QString& name, int min, int max, int& out) {
    if (!parser.isSet(name)) return true;
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < min || value > max) {
        QTextStream(stderr) << "invalid --" << name << ": " << parser.value(name) << '\n';
        return false;
    }
    out = value;
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tovelo-chat-server"));

    ServerOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Chat server for the Tovelo chat window."));
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("listen"), QStringLiteral("Address to listen on (default 127.0.0.1)."),
         QStringLiteral("address")},
        {QStringLiteral("port"), QStringLiteral("TCP port (default 8765)."), QStringLiteral("n")},
        {QStringLiteral("gap-ms"),
         QStringLiteral("Pause between two messages to one client, in ms (default %1).")
             .arg(options.gapMs),
         QStringLiteral("ms")},
        {QStringLiteral("max-queue"),
         QStringLiteral("Messages waiting for one client before it is dropped (default %1).")
             .arg(options.maxQueueMessages),
         QStringLiteral("n")},
        {QStringLiteral("max-queue-bytes"),
         QStringLiteral("Bytes waiting for one client before it is dropped (default %1).")
             .arg(options.maxQueueBytes),
         QStringLiteral("n")},
        {QStringLiteral("max-rate"),
         QStringLiteral("Messages per second read from one client, 0 for no limit (default %1).")
             .arg(options.maxArrivalsPerSecond),
         QStringLiteral("n")},
        {QStringLiteral("max-rate-bytes"),
         QStringLiteral("Bytes per second read from one client, 0 for no limit (default %1).")
             .arg(options.maxBytesPerSecond),
         QStringLiteral("n")},
        {QStringLiteral("max-clients"),
         QStringLiteral("Simultaneous connections (default %1).").arg(options.maxClients),
         QStringLiteral("n")},
    });
    parser.process(app);

    if (parser.isSet(QStringLiteral("listen"))) {
        if (!options.address.setAddress(parser.value(QStringLiteral("listen")))) {
            QTextStream(stderr) << "invalid --listen: " << parser.value(QStringLiteral("listen"))
                                << '\n';
            return 2;
        }
    }
    int port = options.port;
    int maxQueue = int(options.maxQueueMessages);
    int maxQueueBytes = int(options.maxQueueBytes);
    if (!readInt(parser, QStringLiteral("port"), 0, 65535, port) ||
        !readInt(parser, QStringLiteral("gap-ms"), 0, 1000, options.gapMs) ||
        !readInt(parser, QStringLiteral("max-queue"), 1, 1'000'000, maxQueue) ||
        !readInt(parser, QStringLiteral("max-queue-bytes"), 4096, 1 << 30, maxQueueBytes) ||
        !readInt(parser, QStringLiteral("max-rate"), 0, 1'000'000, options.maxArrivalsPerSecond) ||
        !readInt(parser, QStringLiteral("max-rate-bytes"), 0, 1 << 30, options.maxBytesPerSecond) ||
        !readInt(parser, QStringLiteral("max-clients"), 1, 1'000'000, options.maxClients))
        return 2;
    options.port = quint16(port);
    options.maxQueueMessages = maxQueue;
    options.maxQueueBytes = maxQueueBytes;

    if (!installStopHandlers()) {
        std::perror("signal handlers");
        return 1;
    }
    raiseDescriptorLimit();

    ChatServer server(options);
    QObject::connect(&server, &ChatServer::clientDropped,
                     [](const QByteArray& nickname, const QString& reason) {
                         QTextStream(stderr) << "dropped client '" << QString::fromLatin1(nickname)
                                             << "': " << reason << '\n';
                     });
    if (!server.listen()) {
        QTextStream(stderr) << "cannot listen on " << options.address.toString() << ':'
                            << options.port << ": " << server.errorString() << '\n';
        return 1;
    }

    QSocketNotifier stopNotifier(signalPipe[1], QSocketNotifier::Read);
    QObject::connect(&stopNotifier, &QSocketNotifier::activated, &app,
                     [] { QCoreApplication::quit(); });

    QTextStream(stdout) << "tovelo-chat-server listening on " << server.address().toString() << ':'
                        << server.port() << Qt::endl;
    const int status = app.exec();
    QTextStream(stdout) << "tovelo-chat-server stopped" << Qt::endl;
    return status;
}
