#pragma once

#include "ChatProtocol.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>
#include <unordered_map>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace tovelo::chat {

struct ServerOptions {
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8765;
    // Pause after a message has reached the kernel before the next one goes to the same client.
    // The client reads with one readAll per readyRead on its GUI thread, which wakes and reads in
    // well under a millisecond when idle; 5 ms leaves room for a repaint in between while still
    // allowing 200 messages a second to each client, far beyond what people type.
    int gapMs = 5;
    qsizetype maxMessageBytes = kMaxMessageBytes;
    // A client whose backlog passes either bound is disconnected: it has stopped reading.
    qsizetype maxQueueMessages = 1000;
    qsizetype maxQueueBytes = 1 << 20;
    // Input accepted from one client per second, in arrivals and in bytes, with a burst of one
    // second's worth. Beyond that its input is left in the kernel and TCP slows the sender down,
    // so a flood neither grows this process nor fills everybody's queue. 0 disables a limit.
    int maxArrivalsPerSecond = 20;
    int maxBytesPerSecond = 16 * 1024;
    int maxClients = 1000;
};

class ChatServer : public QObject {
    Q_OBJECT
public:
    explicit ChatServer(ServerOptions options, QObject* parent = nullptr);
    ~ChatServer() override;

    bool listen();
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;

    int connectionCount() const { return static_cast<int>(clients_.size()); }
    int userCount() const { return static_cast<int>(users_.size()); }
    quint64 droppedSlowClients() const { return droppedSlow_; }

signals:
    void clientDropped(const QByteArray& nickname, const QString& reason);

private:
    struct Client;

    void acceptConnections();
    void onReadyRead(Client& client);
    void handleMessage(Client& client, const QByteArray& raw);
    void login(Client& client, const QByteArray& nickname);
    void relay(Client& sender, const QByteArray& line);
    void broadcastUserList();
    void enqueue(Client& client, const QByteArray& message, bool isUserList);
    void pump(Client& client);
    void onBytesWritten(Client& client);
    void drop(Client& client, const QString& reason);
    void remove(QTcpSocket* socket);

    ServerOptions options_;
    QTcpServer* server_ = nullptr;
    std::unordered_map<QTcpSocket*, std::unique_ptr<Client>> clients_;
    std::vector<Client*> users_; // logged-in clients in login order, as the list shows them
    quint64 droppedSlow_ = 0;
};

} // namespace tovelo::chat
