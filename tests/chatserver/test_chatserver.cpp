#include "ChatServer.h"

#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <deque>
#include <optional>

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
    void send(const QByteArray& message) { socket.write(message); }
    QByteArray last() const { return arrivals.value(arrivals.size() - 1); }
    qsizetype count(const QByteArray& what) const { return arrivals.join('\n').count(what); }

    QTcpSocket socket;
    QList<QByteArray> arrivals;
};

} // namespace

class TestChatServer : public QObject {
    Q_OBJECT
    std::optional<ChatServer> server_;
    std::deque<Client> clients_;

    // Logs in s0 .. s<n-1>; each must be answered with the list of everybody so far.
    bool loginCrowd(int n) {
        QByteArray list = "cons|";
        for (int i = 0; i < n; ++i) {
            const QByteArray nick = "s" + QByteArray::number(i);
            Client& c = clients_.emplace_back(server_->port());
            c.send("name|" + nick);
            list += nick + '|';
            if (!QTest::qWaitFor([&] { return c.last() == list; }, kWaitMs)) return false;
        }
        return true;
    }

private slots:
    void init() { QVERIFY(server_.emplace(ServerOptions{.port = 0}).listen()); }
    void cleanup() { clients_.clear(); }

    void loginTalkAndLeave() {
        QVERIFY(loginCrowd(1));
        Client &ana = clients_[0], bruno(server_->port());
        // Before a login: text, junk, an empty name, a server-only kind. None reaches anybody.
        for (const QByteArray& junk : {QByteArray("text|cedo"), QByteArray("\0\xFF|\n", 4),
                                       QByteArray("name|"), QByteArray("cons|F|")}) {
            bruno.send(junk);
            QTest::qWait(30);
        }
        bruno.send("name|Bru|no");
        WAIT_EQ(bruno.last(), QByteArray("cons|s0|Bru/no|"));
        bruno.send("name|Bruno"); // logging in again renames
        WAIT_EQ(bruno.last(), QByteArray("cons|s0|Bruno|"));

        const QByteArray line("\0ol\xE1 | S\xE3o Paulo|", 17); // relayed byte for byte
        bruno.send("text|" + line);
        WAIT_EQ(ana.last(), "text|Bruno|" + line);
        QTest::qWait(50); // nobody's own line comes back, nor any of the junk
        QCOMPARE(ana.arrivals.size(), 4);
        QCOMPARE(bruno.arrivals.size(), 2);
        bruno.socket.abort();
        WAIT_EQ(ana.last(), QByteArray("cons|s0|"));
    }

    void burstAndFloodStillDeliverLineByLine() {
        QVERIFY(loginCrowd(16));
        Client &ana = clients_[0], &bruno = clients_[1], &flooder = clients_[15];
        // All at once, so the lines queue up for s0 and only the pacing keeps them apart.
        for (int i = 1; i < 16; ++i)
            clients_[i].send("text|linha");
        WAIT_EQ(ana.count("|linha"), 15);
        for (int i = 1; i < 16; ++i)
            QVERIFY(ana.arrivals.contains("text|s" + QByteArray::number(i) + "|linha"));

        // More than the kernel buffers hold, in whole messages: every piece read is relayable.
        flooder.send(("text|" + QByteArray(kMaxMessageBytes - 5, 'x')).repeated(8192));
        for (int i = 0; i < 10; ++i) {
            bruno.send("text|b");
            QTest::qWait(100);
        }
        WAIT_EQ(ana.count("text|s1|b"), 10);
        QVERIFY(ana.count("text|s15|x") > 0);
        // The server took only a trickle; the rest still waits on the flooder's side.
        QVERIFY(flooder.socket.bytesToWrite() > 8 * 1024 * 1024);
    }

    void clientThatStopsReadingIsDropped() {
        // No pacing and no input limits: only the backlog bound is left to act.
        ServerOptions options{.port = 0, .gapMs = 0, .maxQueueMessages = 100};
        options.maxArrivalsPerSecond = options.maxBytesPerSecond = 0;
        QVERIFY(server_.emplace(options).listen());
        QSignalSpy dropped(&*server_, &ChatServer::clientDropped);
        QVERIFY(loginCrowd(12));
        Client &reader = clients_[0], &stuck = clients_[1];
        stuck.socket.setReadBufferSize(1);
        // Many senders, and s0 served every round: only the one that does not read backs up.
        for (int round = 1; round <= 1000 && dropped.isEmpty(); ++round) {
            for (size_t i = 2; i < clients_.size(); ++i)
                clients_[i].send("text|" + QByteArray(4000, 'p'));
            WAIT_EQ(reader.count("text|"), 10 * round);
        }
        QCOMPARE(dropped.size(), 1);
        QCOMPARE(dropped.first().first().toByteArray(), QByteArray("s1"));
        clients_[2].send("text|depois");
        WAIT_EQ(reader.last(), QByteArray("text|s2|depois"));
    }
};

QTEST_GUILESS_MAIN(TestChatServer)
#include "test_chatserver.moc"
