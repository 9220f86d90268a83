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
    const auto option = [](const char* name, const QString& help, int value, const char* unit) {
        return QCommandLineOption(QString::fromLatin1(name), help.arg(value),
                                  QString::fromLatin1(unit));
    };
    parser.addOptions({
        {QStringLiteral("listen"),
         QStringLiteral("Address to listen on (default 127.0.0.1: this machine only)."),
         QStringLiteral("address")},
        option("port", QStringLiteral("TCP port (default %1)."), options.port, "n"),
        option("gap-ms", QStringLiteral("Pause between two messages to one client (default %1)."),
               options.gapMs, "ms"),
        option("max-rate",
               QStringLiteral("Lines per second relayed from one client, 0 for no limit "
                              "(default %1)."),
               options.linesPerSecond, "n"),
        option("max-rate-bytes",
               QStringLiteral("Bytes per second read from one client, 0 for no limit "
                              "(default %1)."),
               options.bytesPerSecond, "n"),
        option("max-clients", QStringLiteral("Simultaneous connections (default %1)."),
               options.maxClients, "n"),
        option("max-per-address",
               QStringLiteral("Simultaneous connections from one address, 0 for no limit "
                              "(default %1)."),
               options.maxPerAddress, "n"),
        option("login-timeout",
               QStringLiteral("Seconds a new connection has to send its nickname (default %1)."),
               options.loginTimeoutMs / 1000, "s"),
        option("read-timeout",
               QStringLiteral("Seconds a client may take nothing of what waits for it before it "
                              "is dropped (default %1)."),
               options.readTimeoutMs / 1000, "s"),
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
    int loginTimeout = options.loginTimeoutMs / 1000;
    int readTimeout = options.readTimeoutMs / 1000;
    if (!readInt(parser, QStringLiteral("port"), 0, 65535, port) ||
        !readInt(parser, QStringLiteral("gap-ms"), 0, 1000, options.gapMs) ||
        !readInt(parser, QStringLiteral("max-rate"), 0, 1'000'000, options.linesPerSecond) ||
        !readInt(parser, QStringLiteral("max-rate-bytes"), 0, 1 << 30, options.bytesPerSecond) ||
        !readInt(parser, QStringLiteral("max-clients"), 1, 1'000'000, options.maxClients) ||
        !readInt(parser, QStringLiteral("max-per-address"), 0, 1'000'000, options.maxPerAddress) ||
        !readInt(parser, QStringLiteral("login-timeout"), 1, 3600, loginTimeout) ||
        !readInt(parser, QStringLiteral("read-timeout"), 1, 3600, readTimeout))
        return 2;
    options.port = quint16(port);
    options.loginTimeoutMs = loginTimeout * 1000;
    options.readTimeoutMs = readTimeout * 1000;

    if (!installStopHandlers()) {
        std::perror("signal handlers");
        return 1;
    }
    raiseDescriptorLimit();

    ChatServer server(options);
    QObject::connect(&server, &ChatServer::connectionClosed,
                     [](const QString& who, const QString& reason) {
                         QTextStream(stderr) << "closed " << who << ": " << reason << '\n';
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
