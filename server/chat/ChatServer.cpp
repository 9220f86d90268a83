#include "ChatServer.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <deque>

namespace tovelo::chat {

namespace {
constexpr int kAcceptRetryMs = 100;
} // namespace

struct ChatServer::Client {
    struct Outgoing {
        QByteArray data;
        bool isUserList = false;
    };

    QTcpSocket* socket = nullptr;
    QByteArray nickname;
    bool loggedIn = false;
    bool closing = false;

    // Messages are implicitly shared, so a broadcast costs one copy however many queues hold it.
    std::deque<Outgoing> queue;
    qsizetype queuedBytes = 0;
    bool userListQueued = false;
    bool writing = false; // a message sits in Qt's buffer, not yet taken by the kernel
    QElapsedTimer sinceHandOff;
    QTimer gapTimer;

    // Allowances for reading input; the byte one may go negative after a large arrival.
    double arrivalTokens = 0;
    double byteTokens = 0;
    QElapsedTimer sinceRefill;
    QTimer throttleTimer;
};

ChatServer::ChatServer(ServerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), server_(new QTcpServer(this)) {
    // Hundreds of clients may connect at once; the default backlog of 50 would make some wait
    // for a SYN retry.
    server_->setListenBacklogSize(1024);
    connect(server_, &QTcpServer::newConnection, this, &ChatServer::acceptConnections);
    connect(server_, &QTcpServer::acceptError, this, [this](QAbstractSocket::SocketError) {
        // Qt stops accepting for good after e.g. running out of descriptors; try again shortly.
        server_->pauseAccepting();
        QTimer::singleShot(kAcceptRetryMs, server_,
                           [server = server_] { server->resumeAccepting(); });
    });
}

ChatServer::~ChatServer() {
    for (auto& entry : clients_)
        entry.first->disconnect();
    users_.clear();
    clients_.clear();
}

bool ChatServer::listen() {
    return server_->listen(options_.address, options_.port);
}

QString ChatServer::errorString() const {
    return server_->errorString();
}

QHostAddress ChatServer::address() const {
    return server_->serverAddress();
}

quint16 ChatServer::port() const {
    return server_->serverPort();
}

void ChatServer::acceptConnections() {
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        if (connectionCount() >= options_.maxClients) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // Bounds both one message and what a flooding client can make the server hold.
        socket->setReadBufferSize(options_.maxMessageBytes);

        auto owned = std::make_unique<Client>();
        Client* client = owned.get();
        client->socket = socket;
        client->arrivalTokens = options_.maxArrivalsPerSecond;
        client->byteTokens = options_.maxBytesPerSecond;
        client->sinceRefill.start();
        client->gapTimer.setSingleShot(true);
        client->gapTimer.setTimerType(Qt::PreciseTimer);
        client->throttleTimer.setSingleShot(true);
        connect(&client->gapTimer, &QTimer::timeout, this, [this, client] { pump(*client); });
        connect(&client->throttleTimer, &QTimer::timeout, this,
                [this, client] { onReadyRead(*client); });
        connect(socket, &QTcpSocket::readyRead, this, [this, client] { onReadyRead(*client); });
        connect(socket, &QTcpSocket::bytesWritten, this,
                [this, client] { onBytesWritten(*client); });
        // Queued so that a socket never disappears while a broadcast is walking the clients.
        connect(
            socket, &QTcpSocket::disconnected, socket, [this, socket] { remove(socket); },
            Qt::QueuedConnection);
        connect(
            socket, &QTcpSocket::errorOccurred, socket, [this, socket] { remove(socket); },
            Qt::QueuedConnection);
        clients_.emplace(socket, std::move(owned));
    }
}

void ChatServer::onReadyRead(Client& client) {
    if (client.closing) {
        client.socket->readAll();
        return;
    }
    if (client.socket->bytesAvailable() <= 0) return;
    const int arrivalRate = options_.maxArrivalsPerSecond;
    const int byteRate = options_.maxBytesPerSecond;
    if (arrivalRate > 0 || byteRate > 0) {
        const double seconds = double(client.sinceRefill.nsecsElapsed()) / 1e9;
        client.sinceRefill.restart();
        client.arrivalTokens =
            std::min<double>(arrivalRate, client.arrivalTokens + seconds * arrivalRate);
        client.byteTokens = std::min<double>(byteRate, client.byteTokens + seconds * byteRate);
        double waitSeconds = 0;
        if (arrivalRate > 0 && client.arrivalTokens < 1.0)
            waitSeconds = (1.0 - client.arrivalTokens) / arrivalRate;
        if (byteRate > 0 && client.byteTokens <= 0)
            waitSeconds = std::max(waitSeconds, (1.0 - client.byteTokens) / byteRate);
        if (waitSeconds > 0) {
            // Leaving the bytes unread fills Qt's capped buffer, then the kernel's, and TCP flow
            // control stops the sender.
            if (!client.throttleTimer.isActive())
                client.throttleTimer.start(std::max(1, int(std::ceil(waitSeconds * 1000.0))));
            return;
        }
    }
    const QByteArray arrival = client.socket->readAll();
    client.arrivalTokens -= 1.0;
    client.byteTokens -= double(arrival.size());
    for (const QByteArray& piece : splitArrival(arrival, options_.maxMessageBytes)) {
        handleMessage(client, piece);
        if (client.closing) break;
    }
}

void ChatServer::handleMessage(Client& client, const QByteArray& raw) {
    const Message message = parseMessage(raw);
    switch (message.kind) {
    case MessageKind::Login:
        login(client, sanitiseNickname(message.payload));
        break;
    case MessageKind::Text:
        // Without a nickname there is nobody to attribute the line to, and no way to say so.
        if (client.loggedIn) relay(client, message.payload);
        break;
    case MessageKind::Other:
        break;
    }
}

void ChatServer::login(Client& client, const QByteArray& nickname) {
    if (nickname.isEmpty()) return;
    client.nickname = nickname;
    // A second login renames in place: the user keeps their position in the list.
    if (!client.loggedIn) {
        client.loggedIn = true;
        users_.push_back(&client);
    }
    broadcastUserList();
}

void ChatServer::relay(Client& sender, const QByteArray& line) {
    const QByteArray message = buildTextMessage(sender.nickname, line);
    for (Client* user : users_) {
        if (user != &sender) enqueue(*user, message, false);
    }
}

void ChatServer::broadcastUserList() {
    QList<QByteArray> nicknames;
    nicknames.reserve(qsizetype(users_.size()));
    for (const Client* user : users_) {
        if (!user->closing) nicknames.append(user->nickname);
    }
    const QByteArray list = buildUserList(nicknames);
    for (Client* user : users_)
        enqueue(*user, list, true);
}

void ChatServer::enqueue(Client& client, const QByteArray& message, bool isUserList) {
    if (client.closing) return;
    if (isUserList && client.userListQueued) {
        // Only the newest list matters; replacing the unsent one keeps a burst of logins from
        // piling hundreds of lists onto every queue.
        for (Client::Outgoing& pending : client.queue) {
            if (pending.isUserList) {
                client.queuedBytes += message.size() - pending.data.size();
                pending.data = message;
                break;
            }
        }
        return;
    }
    if (qsizetype(client.queue.size()) >= options_.maxQueueMessages ||
        client.queuedBytes + message.size() > options_.maxQueueBytes) {
        ++droppedSlow_;
        drop(client, QStringLiteral("not reading (outgoing queue full)"));
        return;
    }
    client.queue.push_back({message, isUserList});
    client.queuedBytes += message.size();
    client.userListQueued = client.userListQueued || isUserList;
    pump(client);
}

void ChatServer::pump(Client& client) {
    if (client.closing || client.writing || client.gapTimer.isActive() || client.queue.empty())
        return;
    if (client.sinceHandOff.isValid()) {
        const qint64 gapNs = qint64(options_.gapMs) * 1'000'000;
        const qint64 waitedNs = client.sinceHandOff.nsecsElapsed();
        if (waitedNs < gapNs) {
            const auto remaining = std::chrono::nanoseconds(gapNs - waitedNs);
            client.gapTimer.start(std::chrono::ceil<std::chrono::milliseconds>(remaining));
            return;
        }
    }
    Client::Outgoing next = std::move(client.queue.front());
    client.queue.pop_front();
    client.queuedBytes -= next.data.size();
    if (next.isUserList) client.userListQueued = false;
    client.writing = true;
    // One write per message: with TCP_NODELAY it leaves in a segment of its own. Qt hands it to
    // the kernel on its next loop pass and reports bytesWritten, which is what starts the gap.
    if (client.socket->write(next.data) != next.data.size())
        drop(client, {}); // already gone; its disconnect is on the way
}

void ChatServer::onBytesWritten(Client& client) {
    if (!client.writing || client.socket->bytesToWrite() > 0) return;
    client.writing = false;
    client.sinceHandOff.start();
    pump(client);
}

void ChatServer::drop(Client& client, const QString& reason) {
    if (client.closing) return;
    client.closing = true;
    client.queue.clear();
    client.queuedBytes = 0;
    client.gapTimer.stop();
    client.throttleTimer.stop();
    if (!reason.isEmpty()) emit clientDropped(client.nickname, reason);
    QTcpSocket* socket = client.socket;
    QMetaObject::invokeMethod(
        socket, [this, socket] { remove(socket); }, Qt::QueuedConnection);
}

void ChatServer::remove(QTcpSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) return;
    std::unique_ptr<Client> client = std::move(found->second);
    clients_.erase(found);
    socket->disconnect();
    socket->abort();
    socket->deleteLater();
    const bool wasUser = client->loggedIn;
    if (wasUser)
        users_.erase(std::remove(users_.begin(), users_.end(), client.get()), users_.end());
    client.reset();
    if (wasUser) broadcastUserList();
}

} // namespace tovelo::chat
