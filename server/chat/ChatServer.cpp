#include "ChatServer.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <limits>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace tovelo::chat {

namespace {

constexpr qint64 kMs = 1'000'000; // nanoseconds
constexpr int kAcceptRetryMs = 100;
constexpr int kHousekeepingMs = 250;

// A reader this far behind holds the room: no line is relayed until it is back under the
// lower mark. 100 lines are a third of a second at the default pace. A reader that has taken
// nothing for kMaxStallMs (or half its read timeout, if shorter) no longer holds it, until it
// takes something again.
constexpr qsizetype kHoldMessages = 100;
constexpr qsizetype kHoldBytes = 64 * 1024;
constexpr qsizetype kResumeMessages = 25;
constexpr qsizetype kResumeBytes = 16 * 1024;
// Only a reader that has stopped holding the room (it took nothing for a while) can pile up
// this much; it is dropped then rather than at its read timeout, which bounds memory.
constexpr qsizetype kMaxBacklogMessages = 2000;
constexpr qsizetype kMaxBacklogBytes = 1 << 20;
constexpr qint64 kMaxStallMs = 2000;

// Lines read from one client and not yet relayed; beyond this its input stays in the kernel.
constexpr qsizetype kInboxLines = 40;
constexpr qsizetype kInboxBytes = 16 * 1024;

constexpr qint64 kRenameIntervalMs = 5000;
// Every change of the user list sends the whole list to everybody: a room of 1,000 long
// nicknames costs 65 MB a time. Lists go out at most at this many bytes a second in all.
constexpr qint64 kUserListBytesPerSecond = 8 << 20;

// After its notice a closed connection waits this long for the peer to close first, so the
// notice is not lost to a reset; a few hundred at most, the rest are cut at once.
constexpr qint64 kLingerMs = 2000;
constexpr int kMaxLingering = 256;

// A peer that vanished without closing (power cut, dropped network) is probed after 20 s of
// silence, 5 s apart; the user timeout (the read timeout) decides when it is given up.
constexpr int kKeepIdleS = 20;
constexpr int kKeepIntervalS = 5;

// The kernel's own buffer for what goes to one client. Left to itself it grows to 4 MB for a
// client that reads nothing, which hides that client from the read timeout for a long while and
// pins the memory; chat lines need far less.
constexpr int kSendBufferBytes = 64 * 1024;

QHostAddress normalised(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : address;
}

void setSocketInt(qintptr fd, int level, int name, int value) {
    ::setsockopt(int(fd), level, name, &value, sizeof value);
}

// Bytes the peer sent that are still in the kernel, beyond what Qt has read.
int waitingInKernel(const QTcpSocket* socket) {
    int waiting = 0;
    return ::ioctl(int(socket->socketDescriptor()), FIONREAD, &waiting) == 0 ? waiting : 0;
}

} // namespace

struct ChatServer::Client {
    struct Outgoing {
        QByteArray data;
        bool isUserList = false;
    };

    QTcpSocket* socket = nullptr;
    QHostAddress peer;
    QByteArray nickname;
    bool holdsSlot = false;
    bool loggedIn = false;
    bool closing = false;
    bool lingering = false;
    qint64 loginDeadline = 0;
    qint64 lastLogin = 0;
    qint64 lingerUntil = 0;

    // Messages are implicitly shared, so a broadcast costs one copy however many queues hold it.
    std::deque<Outgoing> queue;
    qsizetype queuedBytes = 0;
    bool userListQueued = false;
    bool inSenders = false;
    bool holdsRoom = false;
    bool stalled = false; // took nothing for a while: no longer holds the room
    bool shutdownWhenSent = false;
    qint64 lastHandOff = std::numeric_limits<qint64>::min() / 2;
    qint64 waitingSince = 0; // last progress, or when output began to wait

    QByteArray partial; // the last message of a read that more bytes may still complete
    std::deque<QByteArray> inbox;
    qsizetype inboxBytes = 0;
    bool inTalkers = false;
    double lineTokens = 0;
    double byteTokens = 0;
    qint64 refilled = 0;
    QTimer throttle;

    void refill(qint64 at, const ServerOptions& options) {
        const double seconds = double(at - refilled) / 1e9;
        refilled = at;
        lineTokens =
            std::min<double>(options.linesPerSecond, lineTokens + seconds * options.linesPerSecond);
        byteTokens =
            std::min<double>(options.bytesPerSecond, byteTokens + seconds * options.bytesPerSecond);
    }
    bool outputWaiting() const { return !queue.empty() || socket->bytesToWrite() > 0; }
    QString who() const {
        const QString address = peer.toString();
        return nickname.isEmpty() ? address
                                  : QString::fromLatin1(nickname) + QStringLiteral(" (") + address +
                                        QLatin1Char(')');
    }
};

ChatServer::ChatServer(ServerOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), server_(new QTcpServer(this)) {
    clock_.start();
    nicknameKeys_.insert(nicknameKey(kServerNickname));
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

    sendTimer_.setInterval(1);
    sendTimer_.setTimerType(Qt::PreciseTimer);
    connect(&sendTimer_, &QTimer::timeout, this, &ChatServer::sendTick);
    roomTimer_.setSingleShot(true);
    connect(&roomTimer_, &QTimer::timeout, this, &ChatServer::serveTalkers);
    listTimer_.setSingleShot(true);
    connect(&listTimer_, &QTimer::timeout, this, &ChatServer::broadcastUserList);
    houseTimer_.setInterval(kHousekeepingMs);
    connect(&houseTimer_, &QTimer::timeout, this, &ChatServer::housekeeping);
    houseTimer_.start();
}

ChatServer::~ChatServer() {
    for (auto& entry : clients_)
        entry.first->disconnect();
    users_.clear();
    senders_.clear();
    talkers_.clear();
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
        const qint64 at = now();
        auto owned = std::make_unique<Client>();
        Client* client = owned.get();
        client->socket = socket;
        client->peer = normalised(socket->peerAddress());
        client->lineTokens = options_.linesPerSecond;
        client->byteTokens = options_.bytesPerSecond;
        client->refilled = at;
        client->throttle.setSingleShot(true);

        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // Bounds one read, and so what a flooding client can make the server hold.
        socket->setReadBufferSize(kMaxMessageBytes);
        const qintptr fd = socket->socketDescriptor();
        setSocketInt(fd, SOL_SOCKET, SO_SNDBUF, kSendBufferBytes);
        setSocketInt(fd, SOL_SOCKET, SO_KEEPALIVE, 1);
        setSocketInt(fd, IPPROTO_TCP, TCP_KEEPIDLE, kKeepIdleS);
        setSocketInt(fd, IPPROTO_TCP, TCP_KEEPINTVL, kKeepIntervalS);
        // Data unacknowledged this long means the peer is gone (or takes nothing): the kernel
        // then ends the connection as the read timeout would.
        setSocketInt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, options_.readTimeoutMs);

        connect(&client->throttle, &QTimer::timeout, this, [this, client] {
            readInput(*client);
            if (!client->inbox.empty() && !client->inTalkers) {
                talkers_.push_back(client);
                client->inTalkers = true;
            }
            serveTalkers();
        });
        connect(socket, &QTcpSocket::readyRead, this, [this, client] {
            readInput(*client);
            serveTalkers();
        });
        connect(socket, &QTcpSocket::bytesWritten, this,
                [this, client] { onBytesWritten(*client); });
        // Queued so that a client never disappears while a broadcast is walking the users.
        connect(
            socket, &QTcpSocket::disconnected, socket, [this, socket] { remove(socket); },
            Qt::QueuedConnection);
        connect(
            socket, &QTcpSocket::errorOccurred, socket,
            [this, socket, client](QAbstractSocket::SocketError error) {
                // The kernel gave up on a peer that stopped answering, or taking anything.
                if (clients_.count(socket) > 0 && !client->closing &&
                    error != QAbstractSocket::RemoteHostClosedError)
                    emit connectionClosed(
                        client->who(),
                        QStringLiteral("connection lost (%1)").arg(socket->errorString()));
                remove(socket);
            },
            Qt::QueuedConnection);
        clients_.emplace(socket, std::move(owned));

        if (openConnections_ >= options_.maxClients) {
            closeWithNotice(*client, QStringLiteral("room full"),
                            QStringLiteral("A sala está cheia. Tente de novo mais tarde."));
        } else if (options_.maxPerAddress > 0 &&
                   perAddress_.value(client->peer) >= options_.maxPerAddress) {
            closeWithNotice(*client, QStringLiteral("too many connections from its address"),
                            QStringLiteral("Há conexões demais a partir do seu endereço. "
                                           "Tente de novo mais tarde."));
        } else {
            client->holdsSlot = true;
            ++openConnections_;
            ++perAddress_[client->peer];
            client->loginDeadline = at + options_.loginTimeoutMs * kMs;
        }
    }
}

void ChatServer::readInput(Client& client) {
    if (client.closing) {
        client.socket->readAll(); // only its close is awaited now
        return;
    }
    if (qsizetype(client.inbox.size()) >= kInboxLines || client.inboxBytes >= kInboxBytes)
        return; // read again once the room has taken some of its lines
    if (client.socket->bytesAvailable() <= 0) return;
    const int byteRate = options_.bytesPerSecond;
    if (byteRate > 0) {
        client.refill(now(), options_);
        if (client.byteTokens <= 0) {
            // Leaving the bytes unread fills Qt's capped buffer, then the kernel's, and TCP flow
            // control stops the sender.
            if (!client.throttle.isActive())
                client.throttle.start(int((1.0 - client.byteTokens) * 1000.0 / byteRate) + 1);
            return;
        }
    }
    const QByteArray read = client.socket->readAll();
    client.byteTokens -= double(read.size());
    QList<QByteArray> pieces = splitArrival(client.partial + read);
    client.partial.clear();
    // A read that stopped at the buffer's end may have cut a message that the rest completes.
    if (!pieces.isEmpty() && pieces.last().size() < kMaxMessageBytes &&
        waitingInKernel(client.socket) > 0)
        client.partial = pieces.takeLast();

    for (const QByteArray& piece : std::as_const(pieces)) {
        const Message message = parseMessage(piece);
        if (message.kind == MessageKind::Login) {
            login(client, message.payload);
            if (client.closing) return;
        } else if (message.kind == MessageKind::Text && client.loggedIn) {
            // Without a nickname there is nobody to attribute a line to.
            client.inbox.push_back(message.payload);
            client.inboxBytes += message.payload.size();
        }
    }
    if (!client.inbox.empty() && !client.inTalkers && !client.throttle.isActive()) {
        talkers_.push_back(&client);
        client.inTalkers = true;
    }
}

void ChatServer::login(Client& client, const QByteArray& nickname) {
    QByteArray clean = sanitiseNickname(nickname);
    if (clean.isEmpty()) {
        if (!client.loggedIn)
            closeWithNotice(client, QStringLiteral("blank nickname"),
                            QStringLiteral("Apelido vazio. Digite um apelido e clique em "
                                           "Conectar."));
        return;
    }
    const qint64 at = now();
    if (client.loggedIn) {
        // A second login renames in place: the user keeps their position in the list.
        if (clean == client.nickname || at - client.lastLogin < kRenameIntervalMs * kMs) return;
        nicknameKeys_.remove(nicknameKey(client.nickname));
    }
    clean = distinctNickname(clean, [this](const QByteArray& nick) {
        return nicknameKeys_.contains(nicknameKey(nick));
    });
    nicknameKeys_.insert(nicknameKey(clean));
    client.nickname = clean;
    client.lastLogin = at;
    if (!client.loggedIn) {
        client.loggedIn = true;
        users_.push_back(&client);
    }
    scheduleUserList();
}

void ChatServer::serveTalkers() {
    if (serving_) return;
    serving_ = true;
    const int lineRate = options_.linesPerSecond;
    // One line per talker per turn, so a busy talker cannot crowd out the others.
    while (roomHolders_ == 0 && !talkers_.empty()) {
        Client& talker = *talkers_.front();
        talkers_.pop_front();
        talker.inTalkers = false;
        if (lineRate > 0) {
            talker.refill(now(), options_);
            if (talker.lineTokens < 1.0) {
                talker.throttle.start(int((1.0 - talker.lineTokens) * 1000.0 / lineRate) + 1);
                continue;
            }
            talker.lineTokens -= 1.0;
        }
        const QByteArray line = std::move(talker.inbox.front());
        talker.inbox.pop_front();
        talker.inboxBytes -= line.size();
        relay(talker, line);
        if (!talker.inbox.empty()) {
            talkers_.push_back(&talker);
            talker.inTalkers = true;
        }
        readInput(talker); // its inbox has room again
    }
    serving_ = false;
}

void ChatServer::relay(Client& sender, const QByteArray& line) {
    const QByteArray message = buildTextMessage(sender.nickname, sanitiseLine(line));
    // A copy: a reader dropped on the way leaves the list.
    const std::vector<Client*> readers = users_;
    for (Client* user : readers) {
        if (user != &sender) enqueue(*user, message, false);
    }
}

void ChatServer::scheduleUserList() {
    if (listTimer_.isActive()) return;
    const qint64 wait = std::max<qint64>(0, nextListNs_ - now());
    listTimer_.start(int((wait + kMs - 1) / kMs));
}

void ChatServer::broadcastUserList() {
    QList<QByteArray> nicknames;
    nicknames.reserve(qsizetype(users_.size()));
    for (const Client* user : users_)
        nicknames.append(user->nickname);
    const QByteArray list = buildUserList(nicknames);
    const std::vector<Client*> readers = users_;
    for (Client* user : readers)
        enqueue(*user, list, true);
    const qint64 cost = qint64(list.size()) * qint64(readers.size());
    nextListNs_ = now() + cost * 1'000'000'000 / kUserListBytesPerSecond;
}

void ChatServer::enqueue(Client& client, const QByteArray& message, bool isUserList) {
    if (isUserList && client.userListQueued) {
        // Only the newest list matters; replacing the unsent one keeps a burst of logins from
        // piling lists onto every queue.
        for (Client::Outgoing& pending : client.queue) {
            if (pending.isUserList) {
                client.queuedBytes += message.size() - pending.data.size();
                pending.data = message;
                break;
            }
        }
        return;
    }
    if (qsizetype(client.queue.size()) >= kMaxBacklogMessages ||
        client.queuedBytes + message.size() > kMaxBacklogBytes) {
        closeWithNotice(
            client,
            QStringLiteral("stopped reading (%1 messages waiting)").arg(client.queue.size()),
            QStringLiteral("Desconectado: as mensagens não estavam sendo lidas."));
        return;
    }
    const qint64 at = now();
    if (!client.outputWaiting()) client.waitingSince = at;
    client.queue.push_back({message, isUserList});
    client.queuedBytes += message.size();
    client.userListQueued = client.userListQueued || isUserList;
    updateHold(client);
    if (!client.inSenders) {
        senders_.push_back(&client);
        client.inSenders = true;
    }
    trySend(client, at);
    if (!sendTimer_.isActive()) sendTimer_.start();
}

void ChatServer::trySend(Client& client, qint64 at) {
    QTcpSocket* socket = client.socket;
    if (socket->bytesToWrite() > 0) return; // the kernel has not taken the last one yet
    if (client.queue.empty()) {
        if (client.shutdownWhenSent) {
            client.shutdownWhenSent = false;
            // Half-close: the notice is delivered, then the peer sees the end and closes.
            ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
        }
        return;
    }
    if (at - client.lastHandOff < options_.gapMs * kMs) return;
    const Client::Outgoing next = std::move(client.queue.front());
    client.queue.pop_front();
    client.queuedBytes -= next.data.size();
    if (next.isUserList) client.userListQueued = false;
    // One write per message: with TCP_NODELAY it leaves in a segment of its own.
    socket->write(next.data);
    socket->flush();
    if (socket->bytesToWrite() == 0) {
        client.lastHandOff = at;
        madeProgress(client, at);
    }
    updateHold(client);
}

void ChatServer::sendTick() {
    const qint64 at = now();
    for (size_t i = 0; i < senders_.size(); ++i)
        trySend(*senders_[i], at);
    std::erase_if(senders_, [](Client* client) {
        const bool done = !client->outputWaiting() && !client->shutdownWhenSent;
        if (done) client->inSenders = false;
        return done;
    });
    if (senders_.empty()) sendTimer_.stop();
}

void ChatServer::onBytesWritten(Client& client) {
    const qint64 at = now();
    if (client.socket->bytesToWrite() == 0) client.lastHandOff = at;
    madeProgress(client, at);
}

void ChatServer::madeProgress(Client& client, qint64 at) {
    client.waitingSince = at;
    if (client.stalled) {
        client.stalled = false;
        updateHold(client);
    }
}

void ChatServer::updateHold(Client& client) {
    const auto messages = qsizetype(client.queue.size());
    if (!client.holdsRoom) {
        if (!client.stalled && !client.closing &&
            (messages >= kHoldMessages || client.queuedBytes >= kHoldBytes)) {
            client.holdsRoom = true;
            ++roomHolders_;
        }
        return;
    }
    if (client.stalled || client.closing ||
        (messages <= kResumeMessages && client.queuedBytes <= kResumeBytes)) {
        client.holdsRoom = false;
        // Not from here: this runs in the middle of sending and relaying.
        if (--roomHolders_ == 0 && !talkers_.empty()) roomTimer_.start(0);
    }
}

void ChatServer::housekeeping() {
    const qint64 at = now();
    const qint64 stallNs = std::min<qint64>(kMaxStallMs, options_.readTimeoutMs / 2) * kMs;
    std::vector<QTcpSocket*> expired;
    for (auto& [socket, owned] : clients_) {
        Client& client = *owned;
        if (client.closing) {
            if (at >= client.lingerUntil) expired.push_back(socket);
        } else if (!client.loggedIn && at >= client.loginDeadline) {
            closeWithNotice(client, QStringLiteral("no login in time"),
                            QStringLiteral("O apelido não chegou a tempo. Clique em Conectar "
                                           "de novo."));
        } else if (client.outputWaiting()) {
            const qint64 idle = at - client.waitingSince;
            if (idle >= options_.readTimeoutMs * kMs) {
                closeWithNotice(
                    client,
                    QStringLiteral("stopped reading (took nothing for %1 s)")
                        .arg(idle / (1000 * kMs)),
                    QStringLiteral("Desconectado: as mensagens não estavam sendo lidas."));
            } else if (idle >= stallNs && !client.stalled) {
                client.stalled = true;
                updateHold(client);
            }
        }
    }
    for (QTcpSocket* socket : expired)
        remove(socket);
}

void ChatServer::closeWithNotice(Client& client, const QString& reason, const QString& notice) {
    if (client.closing) return;
    emit connectionClosed(client.who(), reason);
    release(client);
    client.closing = true;
    client.queue.clear();
    client.queuedBytes = 0;
    client.userListQueued = false;
    client.inbox.clear();
    client.inboxBytes = 0;
    client.partial.clear();
    client.throttle.stop();
    updateHold(client);
    if (lingering_ >= kMaxLingering) {
        QTcpSocket* socket = client.socket;
        socket->abort();
        QMetaObject::invokeMethod(
            socket, [this, socket] { remove(socket); }, Qt::QueuedConnection);
        return;
    }
    ++lingering_;
    client.lingering = true;
    client.lingerUntil = now() + kLingerMs * kMs;
    client.shutdownWhenSent = true;
    enqueue(client, buildTextMessage(kServerNickname, notice.toLatin1()), false);
}

void ChatServer::release(Client& client) {
    if (client.holdsSlot) {
        client.holdsSlot = false;
        --openConnections_;
        if (--perAddress_[client.peer] <= 0) perAddress_.remove(client.peer);
    }
    if (client.inTalkers) {
        talkers_.erase(std::find(talkers_.begin(), talkers_.end(), &client));
        client.inTalkers = false;
    }
    if (client.loggedIn) {
        client.loggedIn = false;
        nicknameKeys_.remove(nicknameKey(client.nickname));
        users_.erase(std::find(users_.begin(), users_.end(), &client));
        scheduleUserList();
    }
}

void ChatServer::remove(QTcpSocket* socket) {
    const auto found = clients_.find(socket);
    if (found == clients_.end()) return;
    std::unique_ptr<Client> client = std::move(found->second);
    clients_.erase(found);
    release(*client);
    if (client->lingering) --lingering_;
    if (client->holdsRoom) {
        client->closing = true;
        updateHold(*client);
    }
    if (client->inSenders) std::erase(senders_, client.get());
    socket->disconnect();
    // A reset, not a close: what waits in the kernel for a peer that reads nothing would
    // otherwise keep the connection, and its memory, alive for minutes.
    const linger reset = {1, 0};
    ::setsockopt(int(socket->socketDescriptor()), SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    socket->abort();
    socket->deleteLater();
}

} // namespace tovelo::chat
