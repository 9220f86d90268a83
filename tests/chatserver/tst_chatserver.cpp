#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include <algorithm>
#include <memory>

#include "ChatServer.h"

using namespace tovelo::chat;

namespace {

constexpr int kWaitMs = 5000;

// Reads the way the desktop client does: each readyRead's readAll is one message.
struct Client {
    explicit Client(quint16 port) {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] {
            arrivals.append(socket.readAll());
            textCount += int(arrivals.last().count("text|"));
        });
        socket.connectToHost(QHostAddress::LocalHost, port);
        socket.waitForConnected(kWaitMs);
    }
    void send(const QByteArray& message) {
        socket.write(message);
        socket.flush();
    }
    QByteArray last() const { return arrivals.isEmpty() ? QByteArray() : arrivals.last(); }
    qsizetype textsFrom(const QByteArray& nick) const {
        return std::count_if(arrivals.begin(), arrivals.end(),
                             [&](const QByteArray& a) { return a.startsWith("text|" + nick + '|'); });
    }

    QTcpSocket socket;
    QList<QByteArray> arrivals;
    int textCount = 0;
};

}  // namespace

class TestChatServer : public QObject {
    Q_OBJECT
private slots:
    void init() { start({}); }
    void cleanup() {
        clients_.clear();
        server_.reset();
    }
    void exchangeLinesAndLeave();
    void burstReachesClientAsSeparateArrivals();
    void junkAndRepeatedLoginsAreHandled();
    void floodingClientDoesNotStopDelivery();
    void clientThatStopsReadingIsDropped();

private:
    void start(ServerOptions options) {
        options.port = 0;
        server_ = std::make_unique<ChatServer>(options);
        QVERIFY(server_->listen());
    }
    // Connects and logs in; the list it must be answered with proves the server took it.
    Client* login(const QByteArray& nick, const QByteArray& expectedList) {
        clients_.push_back(std::make_unique<Client>(server_->port()));
        Client* client = clients_.back().get();
        client->send("name|" + nick);
        if (!QTest::qWaitFor([&] { return client->last() == expectedList; }, kWaitMs))
            return nullptr;
        return client;
    }

    std::unique_ptr<ChatServer> server_;
    std::vector<std::unique_ptr<Client>> clients_;
};

void TestChatServer::exchangeLinesAndLeave() {
    Client* ana = login("Ana", "cons|Ana|");
    Client* bruno = login("Bruno", "cons|Ana|Bruno|");
    QVERIFY(ana && bruno);
    QTRY_COMPARE_WITH_TIMEOUT(ana->arrivals, QList<QByteArray>({"cons|Ana|", "cons|Ana|Bruno|"}), kWaitMs);

    ana->send("text|ol\xE1 | S\xE3o Paulo|");
    QTRY_COMPARE_WITH_TIMEOUT(bruno->last(), QByteArray("text|Ana|ol\xE1 | S\xE3o Paulo|"), kWaitMs);
    bruno->send("text|oi");
    QTRY_COMPARE_WITH_TIMEOUT(ana->last(), QByteArray("text|Bruno|oi"), kWaitMs);
    QTest::qWait(50);
    QCOMPARE(ana->arrivals.size(), 3);  // its own line did not come back
    QCOMPARE(bruno->arrivals.size(), 2);

    bruno->socket.abort();
    QTRY_COMPARE_WITH_TIMEOUT(ana->last(), QByteArray("cons|Ana|"), kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(server_->connectionCount(), 1, kWaitMs);
}

void TestChatServer::burstReachesClientAsSeparateArrivals() {
    Client* ana = login("Ana", "cons|Ana|");
    QVERIFY(ana);
    QByteArray list = "cons|Ana|";
    QList<QByteArray> expected;
    for (int i = 0; i < 15; ++i) {
        const QByteArray nick = "s" + QByteArray::number(i);
        list += nick + '|';
        QVERIFY(login(nick, list));
        expected.append("text|" + nick + "|linha " + QByteArray::number(i) + "|fim");
    }
    QTRY_COMPARE_WITH_TIMEOUT(ana->last(), list, kWaitMs);
    ana->arrivals.clear();

    // All at once, so the lines queue up for Ana and only the pacing keeps them apart.
    for (int i = 0; i < 15; ++i)
        clients_[i + 1]->send(expected[i].mid(expected[i].indexOf("|linha")).prepend("text"));
    QTRY_COMPARE_WITH_TIMEOUT(ana->arrivals.size(), 15, kWaitMs);
    std::sort(ana->arrivals.begin(), ana->arrivals.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(ana->arrivals, expected);
}

void TestChatServer::junkAndRepeatedLoginsAreHandled() {
    Client* ana = login("Ana", "cons|Ana|");
    QVERIFY(ana);
    Client other(server_->port());
    // Text before login, junk, an empty name, a server-only kind: each ignored.
    for (const QByteArray& message : {QByteArray("text|cedo"), QByteArray("\0\xFF\x80|||\n", 7), QByteArray("name|"),
                                      QByteArray("cons|Falso|"), QByteArray("text")}) {
        other.send(message);
        QTest::qWait(30);
    }
    QCOMPARE(ana->arrivals.size(), 1);
    QVERIFY(other.arrivals.isEmpty());

    other.send("name|Jo|ta");
    QTRY_COMPARE_WITH_TIMEOUT(ana->last(), QByteArray("cons|Ana|Jo/ta|"), kWaitMs);
    other.send("name|Jota");
    QTRY_COMPARE_WITH_TIMEOUT(other.last(), QByteArray("cons|Ana|Jota|"), kWaitMs);
    other.send(QByteArray("text|\0|", 7));
    QTRY_COMPARE_WITH_TIMEOUT(ana->last(), QByteArray("text|Jota|\0|", 12), kWaitMs);
    QCOMPARE(ana->arrivals.size(), 4);
}

void TestChatServer::floodingClientDoesNotStopDelivery() {
    Client* ana = login("Ana", "cons|Ana|");
    Client* bruno = login("Bruno", "cons|Ana|Bruno|");
    Client* flooder = login("F", "cons|Ana|Bruno|F|");
    QVERIFY(ana && bruno && flooder);

    // More than the kernel buffers hold, in whole-message units so that every piece the server
    // reads is a relayable line: the worst case for everyone else.
    const QByteArray unit = "text|" + QByteArray(kMaxMessageBytes - 5, '\xAA');
    flooder->socket.write(unit.repeated(32 * 256));

    for (int i = 0; i < 10; ++i) {
        ana->send("text|a" + QByteArray::number(i));
        bruno->send("text|b" + QByteArray::number(i));
        QTest::qWait(100);
    }
    QTRY_COMPARE_WITH_TIMEOUT(ana->textsFrom("Bruno"), 10, kWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(bruno->textsFrom("Ana"), 10, kWaitMs);
    QCOMPARE(server_->userCount(), 3);
    QCOMPARE(server_->droppedSlowClients(), 0u);
    QVERIFY(ana->textsFrom("F") > 0);
    // The server took only a trickle; the rest still waits on the flooder's side.
    QVERIFY(flooder->socket.bytesToWrite() > 8 * 1024 * 1024);
}

void TestChatServer::clientThatStopsReadingIsDropped() {
    ServerOptions options;
    options.gapMs = 0;
    options.maxQueueMessages = 100;
    options.maxArrivalsPerSecond = 0;
    options.maxBytesPerSecond = 0;
    start(options);
    QSignalSpy dropped(server_.get(), &ChatServer::clientDropped);

    Client* bruno = login("Bruno", "cons|Bruno|");
    Client* stuck = login("Lento", "cons|Bruno|Lento|");
    QVERIFY(bruno && stuck);
    stuck->socket.setReadBufferSize(1);
    QByteArray list = "cons|Bruno|Lento|";
    for (int i = 0; i < 10; ++i) {
        list += "s" + QByteArray::number(i) + '|';
        QVERIFY(login("s" + QByteArray::number(i), list));
    }
    // Several senders at once so that each line is read on its own; waiting for Bruno each round
    // keeps the only growing backlog the one of the client that does not read.
    const QByteArray line = "text|" + QByteArray(4000, 'p');
    for (int round = 0; round < 1000 && dropped.isEmpty(); ++round) {
        for (size_t i = 2; i < clients_.size(); ++i)
            clients_[i]->send(line);
        QTRY_COMPARE_WITH_TIMEOUT(bruno->textCount, 10 * (round + 1), kWaitMs);
    }
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped.first().first().toByteArray(), QByteArray("Lento"));
    QTRY_VERIFY_WITH_TIMEOUT(!bruno->last().contains("|Lento|"), kWaitMs);
    clients_[2]->send("text|depois");
    QTRY_COMPARE_WITH_TIMEOUT(bruno->last(), QByteArray("text|s0|depois"), kWaitMs);
}

QTEST_GUILESS_MAIN(TestChatServer)
#include "tst_chatserver.moc"
