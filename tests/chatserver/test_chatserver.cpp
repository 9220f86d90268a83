#include "ChatServer.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <memory>

using namespace tovelo::chat;

namespace {

constexpr int kWaitMs = 5000;
#define WAIT_EQ(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, kWaitMs)

// Reads the way the desktop client does: each readyRead's readAll is one message.
struct Client {
    explicit Client(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead,
                         [this] { arrivals.append(socket.readAll()); });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(kWaitMs);
    }
    void send(const QByteArray& message) {
        socket.write(message);
        socket.flush();
    }
    QByteArray last() const { return arrivals.isEmpty() ? QByteArray() : arrivals.last(); }
    qsizetype count(const QByteArray& what) const { return arrivals.join('\n').count(what); }

    QTcpSocket socket;
    QList<QByteArray> arrivals;
};

} // namespace

class TestChatServer : public QObject {
    Q_OBJECT
    std::unique_ptr<ChatServer> server_;
    std::vector<std::unique_ptr<Client>> clients_;

    void start(const ServerOptions& options) {
        server_ = std::make_unique<ChatServer>(options);
        QVERIFY(server_->listen());
    }
    // Connects and logs in; the list it must be answered with proves the server took it.
    Client* login(const QByteArray& nick, const QByteArray& list) {
        Client* c = clients_.emplace_back(std::make_unique<Client>(server_->port())).get();
        c->send("name|" + nick);
        return QTest::qWaitFor([&] { return c->last() == list; }, kWaitMs) ? c : nullptr;
    }
    // Logs in s0 .. s<n-1> after the users already in `list`, which grows with them.
    bool loginCrowd(QByteArray& list, int n) {
        for (int i = 0; i < n; ++i)
            if (!login("s" + QByteArray::number(i), list += "s" + QByteArray::number(i) + '|'))
                return false;
        return true;
    }

private slots:
    void init() { start({.port = 0}); }
    void cleanup() { clients_.clear(); } // the next start() replaces the server

    void loginTalkAndLeave() {
        Client* ana = login("Ana", "cons|Ana|");
        QVERIFY(ana);
        Client bruno(server_->port());
        // Before a login: text, junk, an empty name, a server-only kind. None reaches anybody.
        for (const QByteArray& junk : {QByteArray("text|cedo"), QByteArray("\0\xFF|\n", 4),
                                       QByteArray("name|"), QByteArray("cons|F|")}) {
            bruno.send(junk);
            QTest::qWait(30);
        }
        QVERIFY(bruno.arrivals.isEmpty());
        bruno.send("name|Bru|no");
        WAIT_EQ(bruno.last(), QByteArray("cons|Ana|Bru/no|"));
        bruno.send("name|Bruno"); // logging in again renames
        WAIT_EQ(bruno.last(), QByteArray("cons|Ana|Bruno|"));

        ana->send("text|ol\xE1 | S\xE3o Paulo|");
        WAIT_EQ(bruno.last(), QByteArray("text|Ana|ol\xE1 | S\xE3o Paulo|"));
        bruno.send(QByteArray("text|\0oi", 8));
        WAIT_EQ(ana->last(), QByteArray("text|Bruno|\0oi", 14));
        QTest::qWait(50); // nobody's own line comes back
        QCOMPARE(ana->arrivals.size(), 4);
        QCOMPARE(bruno.arrivals.size(), 3);
        bruno.socket.abort();
        WAIT_EQ(ana->last(), QByteArray("cons|Ana|"));
    }

    void burstAndFloodStillDeliverLineByLine() {
        QByteArray list = "cons|";
        QVERIFY(loginCrowd(list, 16));
        Client &ana = *clients_[0], &bruno = *clients_[1], &flooder = *clients_[15];
        WAIT_EQ(ana.last(), list);
        ana.arrivals.clear();
        // All at once, so the lines queue up for Ana and only the pacing keeps them apart.
        for (int i = 1; i < 16; ++i)
            clients_[i]->send("text|linha");
        WAIT_EQ(ana.arrivals.size(), 15);
        for (int i = 1; i < 16; ++i)
            QVERIFY(ana.arrivals.contains("text|s" + QByteArray::number(i) + "|linha"));

        // More than the kernel buffers hold, in whole messages: every piece read is relayable.
        flooder.socket.write(("text|" + QByteArray(kMaxMessageBytes - 5, 'x')).repeated(8192));
        for (int i = 0; i < 10; ++i) {
            ana.send("text|a");
            bruno.send("text|b");
            QTest::qWait(100);
        }
        WAIT_EQ(ana.count("text|s1|b"), 10);
        WAIT_EQ(bruno.count("text|s0|a"), 10);
        QVERIFY(ana.count("text|s15|x") > 0);
        // The server took only a trickle; the rest still waits on the flooder's side.
        QVERIFY(flooder.socket.bytesToWrite() > 8 * 1024 * 1024);
    }

    void clientThatStopsReadingIsDropped() {
        ServerOptions options{.port = 0, .gapMs = 0, .maxQueueMessages = 100};
        options.maxArrivalsPerSecond = options.maxBytesPerSecond = 0; // no input limits either
        start(options);
        QSignalSpy dropped(server_.get(), &ChatServer::clientDropped);
        QByteArray list = "cons|";
        QVERIFY(loginCrowd(list, 12));
        Client &reader = *clients_[0], &stuck = *clients_[1];
        stuck.socket.setReadBufferSize(1);
        // Many senders, and s0 served every round: only the one that does not read backs up.
        for (int round = 1; round <= 1000 && dropped.isEmpty(); ++round) {
            for (size_t i = 2; i < clients_.size(); ++i)
                clients_[i]->send("text|" + QByteArray(4000, 'p'));
            WAIT_EQ(reader.count("text|"), 10 * round);
        }
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped.first().first().toByteArray(), QByteArray("s1"));
        QTRY_VERIFY_WITH_TIMEOUT(!reader.last().contains("|s1|"), kWaitMs);
        clients_[2]->send("text|depois");
        WAIT_EQ(reader.last(), QByteArray("text|s2|depois"));
    }
};

QTEST_GUILESS_MAIN(TestChatServer)
#include "test_chatserver.moc"
