#pragma once

#include "ChatProtocol.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <deque>
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
    // The window takes each arrival as one message, so two that reach it together show as one
    // garbled line. It reads with one readAll per readyRead and wakes in well under a
    // millisecond, and a repaint between two lines takes about one; 3 ms leaves room for both
    // and still lets about 300 lines a second reach every reader.
    int gapMs = 3;
    // Lines relayed from one client per second, and bytes read from it, each with a burst of one
    // second's worth. Beyond that its input waits, first here and then in the kernel, where TCP
    // slows the sender down. 0 disables a limit.
    int linesPerSecond = 20;
    int bytesPerSecond = 16 * 1024;
    int maxClients = 1000;
    // Connections from one address; 0 for no limit.
    int maxPerAddress = 10;
    // A connection must log in within this time.
    int loginTimeoutMs = 10'000;
    // A client that takes nothing of what waits for it for this long is dropped. It no longer
    // holds the room back after min(2 s, half of this).
    int readTimeoutMs = 30'000;
};

// The chat room. Every line goes to every other user, each message in an arrival of its own
// (see gapMs). When the readers cannot take lines as fast as the room talks, the server stops
// relaying, and then reading, from the talkers until the readers have caught up: a reader is
// never dropped for being slow, only for taking nothing at all (readTimeoutMs).
class ChatServer : public QObject {
    Q_OBJECT
public:
    explicit ChatServer(ServerOptions options, QObject* parent = nullptr);
    ~ChatServer() override;

    bool listen();
    QString errorString() const;
    QHostAddress address() const;
    quint16 port() const;

signals:
    // The server ended a connection: `who` names the user and address, `reason` says why.
    void connectionClosed(const QString& who, const QString& reason);

private:
    struct Client;

    qint64 now() const { return clock_.nsecsElapsed(); }
    void acceptConnections();
    void readInput(Client& client);
    void login(Client& client, const QByteArray& nickname);
    void serveTalkers();
    void relay(Client& sender, const QByteArray& line);
    void scheduleUserList();
    void broadcastUserList();
    void enqueue(Client& client, const QByteArray& message, bool isUserList);
    void trySend(Client& client, qint64 at);
    void sendTick();
    void onBytesWritten(Client& client);
    void madeProgress(Client& client, qint64 at);
    void updateHold(Client& client);
    void housekeeping();
    void closeWithNotice(Client& client, const QString& reason, const QString& notice);
    void release(Client& client);
    void remove(QTcpSocket* socket);

    ServerOptions options_;
    QTcpServer* server_ = nullptr;
    QElapsedTimer clock_;
    std::unordered_map<QTcpSocket*, std::unique_ptr<Client>> clients_;
    std::vector<Client*> users_; // logged-in clients in login order, as the list shows them
    QSet<QByteArray> nicknameKeys_;
    QHash<QHostAddress, int> perAddress_;
    int openConnections_ = 0; // connections that hold a slot
    int lingering_ = 0;       // connections closed by the server, waiting for the peer's close

    std::vector<Client*> senders_; // clients with output waiting
    std::deque<Client*> talkers_;  // clients with lines waiting to be relayed, in turn
    int roomHolders_ = 0;          // readers so far behind that the talkers must wait
    bool serving_ = false;
    QTimer sendTimer_;
    QTimer roomTimer_;
    QTimer houseTimer_;
    QTimer listTimer_;
    qint64 nextListNs_ = 0;
};

} // namespace tovelo::chat
